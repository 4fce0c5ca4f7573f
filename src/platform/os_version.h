#pragma once

// The operating-system version the process sees, and the program's
// classification of it. Only class 12 matters to the program: on it the
// windows keep the system look instead of the skin.

#include <array>
#include <cstdint>

namespace kestrilo {

struct OsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  // The 9x family is told apart by the top bit of the process-environment
  // block's address; these are then the thread-environment words at 0x58,
  // 0x54 and 0x7C, in that order.
  bool win9x_family = false;
  std::array<std::uint32_t, 3> teb_words{};
};

// Linux reports the modern class: 10.0, not of the 9x family.
OsVersion CurrentOsVersion();

// 0 to 12: 1-3 for the 9x family by the first thread-environment word that
// equals 0x530000 (0 when none does); 4 for major 4 and lower; 5.0 to 5.2
// are 5 to 7; 6.0 to 6.3 are 8 to 11; 12 for 6.4, 5.3 and up, and major 7
// and up (Windows 10 and later); 0 for 6.5 and up.
int WindowsVersionClass(const OsVersion& version);

}  // namespace kestrilo
