// ToInt of any text, and date-times through ToText.

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "runtime/conversion.h"

#include "fuzz_input.h"

namespace {

using namespace kestrilo;
using kestrilo::fuzz::FuzzInput;

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// How ToText shows a date-time: the time from its first non-zero part on.
Text Shown(int year, int month, int day, int hour, int minute, int second) {
  std::string shown = std::to_string(year) + "\xC4\xEA" + std::to_string(month) + "\xD4\xC2" +
                      std::to_string(day) + "\xC8\xD5";
  if (hour == 0 && minute == 0 && second == 0) return shown;
  shown += std::to_string(hour) + "\xCA\xB1";
  if (minute == 0 && second == 0) return shown;
  shown += std::to_string(minute) + "\xB7\xD6";
  if (second == 0) return shown;
  return shown + std::to_string(second) + "\xC3\xEB";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::kMaxInput) return -1;
  FuzzInput in(data, size);
  const std::string_view text = in.NextText();
  const std::int32_t value = ToInt(text);

  // Plain ASCII reads as strtoll does, clamped; and so does the same text in
  // full-width forms (every printable but '$' and '~', which have none).
  if (std::all_of(text.begin(), text.end(), [](char c) { return c > 0; })) {
    const long long read = std::strtoll(std::string(text).c_str(), nullptr, 10);
    FUZZ_CHECK(value == std::clamp<long long>(read, INT32_MIN, INT32_MAX));
    Text full_width;
    for (const char c : text) {
      if (c == ' ') {
        full_width += "\xA1\xA1";
      } else if (c > ' ' && c < '~' && c != '$') {
        full_width += '\xA3';
        full_width += static_cast<char>(c + 0x80);
      } else {
        full_width += c;
      }
    }
    FUZZ_CHECK(ToInt(full_width) == value);
  }

  const double days = in.Double();
  FUZZ_CHECK(ToText(DateTime{days}).size() <= 40);
  (void)ToText(days);
  (void)ToInt(days);
  (void)FloorInt(days);

  // Every moment of years 100 to 9999 shows as it was made.
  static constexpr int kEdgeYears[] = {100, 101, 1899, 1900, 1970, 2000, 9998, 9999};
  const unsigned pick = in.Byte();
  const int year = pick >= 0xF8 ? kEdgeYears[pick - 0xF8]
                                : 100 + static_cast<int>((pick << 8 | in.Byte()) % 9900);
  const int month = 1 + static_cast<int>(in.Byte() % 12);
  const int day = 1 + static_cast<int>(in.Byte() % static_cast<unsigned>(DaysInMonth(year, month)));
  const int hour = static_cast<int>(in.Byte() % 24);
  const int minute = static_cast<int>(in.Byte() % 60);
  const int second = static_cast<int>(in.Byte() % 60);
  FUZZ_CHECK(ToText(DateTimeFromParts(year, month, day, hour, minute, second)) ==
             Shown(year, month, day, hour, minute, second));
  return 0;
}
