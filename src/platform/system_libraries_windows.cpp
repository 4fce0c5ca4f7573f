#include "platform/system_libraries.h"

#include <windows.h>

namespace kestrilo {

std::uint32_t ResolveFromSystemLibraries(const char* dll, const char* function,
                                         std::optional<std::uint16_t> ordinal) {
  // Loaded for good: the image may call into it for as long as it is mapped.
  HMODULE library = ::LoadLibraryA(dll);
  if (library == nullptr) return 0;
  const FARPROC found = ordinal ? ::GetProcAddress(library, MAKEINTRESOURCEA(*ordinal))
                                : ::GetProcAddress(library, function);
  const auto address = reinterpret_cast<std::uintptr_t>(found);
  return address <= 0xFFFFFFFFu ? static_cast<std::uint32_t>(address) : 0;
}

}  // namespace kestrilo
