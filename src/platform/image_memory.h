#pragma once

// Memory for an image the image loader maps: readable, writable and
// executable (a packed image unpacks itself in place and then runs), zeroed,
// at the image's preferred base when that is free, else below 4 GiB where
// the system allows it, else anywhere. mmap on Linux, VirtualAlloc on
// Windows.

#include <cstddef>
#include <cstdint>

namespace kestrilo {

std::uint8_t* MapImageMemory(std::uint32_t preferred_base, std::size_t size);
bool UnmapImageMemory(void* memory, std::size_t size);

}  // namespace kestrilo
