#include "platform/image_memory.h"

#include <windows.h>

namespace kestrilo {

std::uint8_t* MapImageMemory(std::uint32_t preferred_base, std::size_t size) {
  constexpr DWORD kKind = MEM_RESERVE | MEM_COMMIT;
  if (preferred_base != 0) {
    // Fails rather than moves when the range is taken.
    if (void* at = ::VirtualAlloc(reinterpret_cast<void*>(std::uintptr_t{preferred_base}), size,
                                  kKind, PAGE_EXECUTE_READWRITE)) {
      return static_cast<std::uint8_t*>(at);
    }
  }
  // The image holds its addresses in 32 bits: below 4 GiB the relocated
  // values and resolved imports still name real addresses. Top-down from
  // there, a 64 KiB step at a time, as the allocation granularity has it.
  constexpr std::uintptr_t kGranularity = 0x10000;
  for (std::uintptr_t at = 0x7FFF0000; at >= 0x10000000 && at > size; at -= kGranularity * 16) {
    const std::uintptr_t start = (at - size) & ~(kGranularity - 1);
    if (void* got = ::VirtualAlloc(reinterpret_cast<void*>(start), size, kKind,
                                   PAGE_EXECUTE_READWRITE)) {
      return static_cast<std::uint8_t*>(got);
    }
  }
  return static_cast<std::uint8_t*>(::VirtualAlloc(nullptr, size, kKind, PAGE_EXECUTE_READWRITE));
}

bool UnmapImageMemory(void* memory, std::size_t /*size*/) {
  return ::VirtualFree(memory, 0, MEM_RELEASE) != 0;
}

}  // namespace kestrilo
