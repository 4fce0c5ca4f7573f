// MemoryModule::Load of any bytes: a clean true or false, never a read
// outside the bytes or the mapping; lookups and Free after it stay sound.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "platform/image_call.h"
#include "platform/memory_module.h"

#include "fuzz_input.h"

namespace {

using namespace kestrilo;

// Never mapped; the hook below answers for it.
constexpr std::uintptr_t kResolver = 0x7E500000;

// Answers 1 to every call: each import resolves and each DLL attaches, so
// that inputs get past both into the export tables. The names the resolver
// is given must be terminated inside memory we can read.
std::uint32_t AnswerOne(std::uintptr_t address, const ImageCallArgs& args) {
  if (address == kResolver) {
    FUZZ_CHECK(std::strlen(reinterpret_cast<const char*>(args[0])) < (std::size_t{1} << 28));
    FUZZ_CHECK(std::strlen(reinterpret_cast<const char*>(args[1])) < (std::size_t{1} << 28));
  }
  return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScopedImageCallHook hook(AnswerOne);
  if (size > 2 * fuzz::kMaxInput) return -1;

  MemoryModule module;
  const bool loaded = module.Load(std::span(data, size), kResolver);
  FUZZ_CHECK(loaded == (module.Base() != 0));
  for (const char* name : {"SkinH_AttachRes", "1", "2", "65536", "", "MessageBoxA"}) {
    const std::uintptr_t address = module.GetProc(name);
    FUZZ_CHECK(address == 0 || address > module.Base());
  }
  FUZZ_CHECK(module.Free() && module.Base() == 0 && module.GetProc("1") == 0);
  return 0;
}
