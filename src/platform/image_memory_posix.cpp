#include "platform/image_memory.h"

#include <sys/mman.h>

namespace kestrilo {
namespace {

std::uint8_t* AsBytes(void* memory) { return static_cast<std::uint8_t*>(memory); }

}  // namespace

std::uint8_t* MapImageMemory(std::uint32_t preferred_base, std::size_t size) {
  constexpr int kProtection = PROT_READ | PROT_WRITE | PROT_EXEC;
  constexpr int kFlags = MAP_PRIVATE | MAP_ANONYMOUS;
  void* const failed = MAP_FAILED;
  if (preferred_base != 0) {
    // A kernel too old for NOREPLACE takes the address as a hint and may
    // answer elsewhere, which is as good as the fallback below.
    void* at = mmap(reinterpret_cast<void*>(std::uintptr_t{preferred_base}), size, kProtection,
                    kFlags | MAP_FIXED_NOREPLACE, -1, 0);
    if (at != failed) return AsBytes(at);
  }
#if defined(MAP_32BIT)
  // The image holds its addresses in 32 bits: below 4 GiB the relocated
  // values and resolved imports still name real addresses.
  if (void* at = mmap(nullptr, size, kProtection, kFlags | MAP_32BIT, -1, 0); at != failed) {
    return AsBytes(at);
  }
#endif
  void* at = mmap(nullptr, size, kProtection, kFlags, -1, 0);
  return at == failed ? nullptr : AsBytes(at);
}

bool UnmapImageMemory(void* memory, std::size_t size) { return munmap(memory, size) == 0; }

}  // namespace kestrilo
