#pragma once

// Splits one fuzzer input into the values a property check needs. Zero bytes
// separate the pieces: a Text can never hold one, so the separator costs the
// texts nothing. The first piece feeds numbers and flags a byte at a time;
// the pieces after it are the texts, in order. Running out gives zeros and
// empty texts, so every input, even the empty one, is a complete case.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

// A failed check names itself before aborting, so a crash report says which
// property broke rather than only where.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

namespace kestrilo::fuzz {

// Several checks walk every match over every position; larger inputs only
// slow the search down without reaching new code.
inline constexpr std::size_t kMaxInput = 4096;

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size), control_(NextText()) {}

  std::string_view NextText() {
    const std::size_t zero = rest_.find('\0');
    const std::string_view piece = rest_.substr(0, zero);
    rest_.remove_prefix(zero == std::string_view::npos ? rest_.size() : zero + 1);
    return piece;
  }

  unsigned Byte() {
    if (control_.empty()) return 0;
    const auto byte = static_cast<unsigned char>(control_.front());
    control_.remove_prefix(1);
    return byte;
  }

  bool Flag() { return (Byte() & 1) != 0; }

  // Absent for 0xFF, and for an exhausted input, so that it takes the
  // defaults; mostly a value just around a text of `length` bytes, spread
  // over the whole text however long; sometimes an extreme.
  std::optional<int> Position(std::size_t length) {
    static constexpr int kExtremes[] = {INT_MIN, INT_MIN + 1, -1000,       -1,
                                        0,       1,           INT_MAX - 1, INT_MAX};
    const unsigned byte = Byte();
    if (byte == 0 || byte == 0xFF) return std::nullopt;
    if (byte >= 0xF7) return kExtremes[byte - 0xF7];
    return static_cast<int>((byte - 1) * (length + 4) / 0xF5) - 2;
  }

  // Special values on demand: eight control bytes are never zero, so they
  // could not otherwise spell infinity or zero.
  double Double() {
    static constexpr double kSpecial[] = {0.0,
                                          -0.0,
                                          std::numeric_limits<double>::quiet_NaN(),
                                          std::numeric_limits<double>::infinity(),
                                          -std::numeric_limits<double>::infinity(),
                                          std::numeric_limits<double>::max(),
                                          std::numeric_limits<double>::denorm_min(),
                                          1e300,
                                          -1e300,
                                          2958465.99999,
                                          -657434.99999,
                                          0.5,
                                          -0.5};
    const unsigned selector = Byte();
    if (selector < sizeof kSpecial / sizeof kSpecial[0]) return kSpecial[selector];
    unsigned char image[sizeof(double)];
    for (unsigned char& byte : image) byte = static_cast<unsigned char>(Byte());
    double value;
    std::memcpy(&value, image, sizeof value);
    return value;
  }

 private:
  std::string_view rest_;
  std::string_view control_;
};

inline bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

inline bool StartsWith(std::string_view text, std::string_view part) {
  return text.substr(0, part.size()) == part;
}

inline bool EndsWith(std::string_view text, std::string_view part) {
  return text.size() >= part.size() && text.substr(text.size() - part.size()) == part;
}

}  // namespace kestrilo::fuzz
