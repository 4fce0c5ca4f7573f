#pragma once

// The kinds of values the runtime commands share.
//
// Text is GBK byte text: lengths and positions count bytes, positions are
// 1-based, and a byte of 0x80 or above starts a two-byte character. Texts
// made from raw bytes stop at the first zero byte, so "the terminating NUL"
// of the double-byte rule is simply the end of the string. (A text decoded
// from a length-counted string, such as a decoded web page, keeps what
// follows a zero character.)

#include <cstdint>
#include <string>
#include <vector>

namespace kestrilo {

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;
using TextList = std::vector<Text>;

// Days since 1899-12-30; the fraction is the time of day. A distinct type so
// that a date-time never converts like a plain double.
struct DateTime {
  double days = 0.0;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// The address of one of the program's own routines, as a 32-bit value.
struct RoutineAddress {
  std::uint32_t value = 0;
  friend bool operator==(const RoutineAddress&, const RoutineAddress&) = default;
};

inline int ArrayCount(const TextList& list) { return static_cast<int>(list.size()); }

}  // namespace kestrilo
