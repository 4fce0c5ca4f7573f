#include "platform/os_version.h"

#include <cstddef>

namespace kestrilo {

OsVersion CurrentOsVersion() { return OsVersion{.major = 10, .minor = 0}; }

int WindowsVersionClass(const OsVersion& version) {
  if (version.win9x_family) {
    constexpr std::uint32_t kMarker = 0x530000;
    for (std::size_t i = 0; i < version.teb_words.size(); ++i) {
      if (version.teb_words[i] == kMarker) return static_cast<int>(i) + 1;
    }
    return 0;
  }
  if (version.major <= 4) return 4;
  if (version.major == 5) return version.minor <= 2 ? 5 + static_cast<int>(version.minor) : 12;
  if (version.major == 6) {
    if (version.minor <= 3) return 8 + static_cast<int>(version.minor);
    return version.minor == 4 ? 12 : 0;
  }
  return 12;
}

}  // namespace kestrilo
