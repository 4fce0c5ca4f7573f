#pragma once

// What LoadLibraryA and GetProcAddress supply for an import of an image the
// image loader maps, when the caller's resolver has nothing for it: on
// Windows the system's own libraries, loaded when first named; on Linux
// there are none. 0 when the function is missing, and also for an address
// a 32-bit image's import table cannot hold.

#include <cstdint>
#include <optional>

namespace kestrilo {

std::uint32_t ResolveFromSystemLibraries(const char* dll, const char* function,
                                         std::optional<std::uint16_t> ordinal);

}  // namespace kestrilo
