#include "runtime/conversion.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

#include "runtime/double_byte.h"

namespace kestrilo {
namespace {

// Days from 1899-12-30 (day 0 of a date-time) to 1970-01-01.
constexpr std::int64_t kUnixEpochDay = 25569;
// The date-time range ToText accepts: 100-01-01 to 9999-12-31, each day to
// its last second. (Clamping to the midnights alone would drop the time of
// day on the first and the last day.)
constexpr double kLastSecondOfDay = 86399.0 / 86400.0;
constexpr double kMinDateTime = -657434.0 - kLastSecondOfDay;
constexpr double kMaxDateTime = 2958465.0 + kLastSecondOfDay;
constexpr std::int64_t kSecondsPerDay = 86400;

struct CivilDate {
  int year;
  unsigned month;
  unsigned day;
};

// Proleptic Gregorian calendar from a day count relative to 1970-01-01
// (H. Hinnant's civil_from_days).
CivilDate CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  const auto y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
  return {static_cast<int>(y), m, d};
}

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

template <typename T>
Bytes LittleEndianImage(T value) {
  Bytes result(sizeof(T));
  std::memcpy(result.data(), &value, sizeof(T));  // x86 and ARM Linux are little-endian
  return result;
}

std::int32_t ClampToInt(double value) {
  if (std::isnan(value)) return 0;
  constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  if (value <= kMin) return kMin;
  if (value >= kMax) return kMax;
  return static_cast<std::int32_t>(value);
}

// The ASCII byte a GBK full-width form stands for, or 0. Row 0xA3 mirrors
// 0x21..0x7E except 0xA3A4 (the yen sign) and 0xA3FE (the overline), and
// 0xA1A1 is the full-width space.
unsigned char HalfWidthOf(unsigned char lead, unsigned char trail) {
  if (lead == 0xA1 && trail == 0xA1) return ' ';
  if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFD && trail != 0xA4) {
    return static_cast<unsigned char>(trail - 0x80);
  }
  return 0;
}

bool IsCSpace(unsigned char byte) { return byte == ' ' || (byte >= '\t' && byte <= '\r'); }

Text Format(const char* format, auto value) {
  char buffer[64];
  const int n = std::snprintf(buffer, sizeof buffer, format, value);
  return Text(buffer, static_cast<std::size_t>(std::max(n, 0)));
}

}  // namespace

Text ToText(std::string_view text) { return Text(text); }
Text ToText(const char* text) { return text == nullptr ? Text{} : Text(text); }
Text ToText(std::int32_t value) { return Format("%d", value); }
Text ToText(std::int16_t value) { return Format("%d", static_cast<int>(value)); }
Text ToText(std::uint8_t value) { return Format("%u", static_cast<unsigned>(value)); }
Text ToText(std::int64_t value) { return Format("%lld", static_cast<long long>(value)); }
Text ToText(bool value) { return value ? "\xD5\xE6" : "\xBC\xD9"; }  // 真, 假
Text ToText(double value) { return Format("%.13g", value); }
Text ToText(float value) { return Format("%.6g", static_cast<double>(value)); }

Text ToText(const Bytes& block) {
  const auto zero = std::find(block.begin(), block.end(), std::uint8_t{0});
  return Text(block.begin(), zero);
}

Text ToText(DateTime value) {
  double days = std::isnan(value.days) ? 0.0 : std::clamp(value.days, kMinDateTime, kMaxDateTime);
  // The integer part counts days from day 0 in either direction; the time of
  // day is the magnitude of the fraction, also for dates before 1899-12-30.
  const double whole = std::trunc(days);
  auto day = static_cast<std::int64_t>(whole);
  auto seconds = static_cast<std::int64_t>(std::llround(std::fabs(days - whole) * kSecondsPerDay));
  if (seconds >= kSecondsPerDay) {
    seconds -= kSecondsPerDay;
    ++day;
  }
  const CivilDate date = CivilFromDays(day - kUnixEpochDay);
  const int hour = static_cast<int>(seconds / 3600);
  const int minute = static_cast<int>(seconds / 60 % 60);
  const int second = static_cast<int>(seconds % 60);

  char buffer[96];
  int n = std::snprintf(buffer, sizeof buffer, "%d\xC4\xEA%u\xD4\xC2%u\xC8\xD5", date.year,
                        date.month, date.day);  // 年 月 日
  if (second != 0) {
    n += std::snprintf(buffer + n, sizeof buffer - static_cast<std::size_t>(n),
                       "%d\xCA\xB1%d\xB7\xD6%d\xC3\xEB", hour, minute, second);  // 时 分 秒
  } else if (minute != 0) {
    n += std::snprintf(buffer + n, sizeof buffer - static_cast<std::size_t>(n),
                       "%d\xCA\xB1%d\xB7\xD6", hour, minute);
  } else if (hour != 0) {
    n += std::snprintf(buffer + n, sizeof buffer - static_cast<std::size_t>(n), "%d\xCA\xB1", hour);
  }
  return Text(buffer, static_cast<std::size_t>(n));
}

std::int32_t ToInt(const char* text) { return text == nullptr ? 0 : ToInt(std::string_view(text)); }

std::int32_t ToInt(std::string_view text) {
  Text half;
  half.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t n = CharLengthAt(text, pos);
    const unsigned char ascii = n == 2 ? HalfWidthOf(static_cast<unsigned char>(text[pos]),
                                                     static_cast<unsigned char>(text[pos + 1]))
                                       : 0;
    if (ascii != 0) {
      half.push_back(static_cast<char>(ascii));
    } else {
      half.append(text.substr(pos, n));
    }
    pos += n;
  }

  std::size_t pos = 0;
  while (pos < half.size() && IsCSpace(static_cast<unsigned char>(half[pos]))) ++pos;
  bool negative = false;
  if (pos < half.size() && (half[pos] == '+' || half[pos] == '-')) {
    negative = half[pos] == '-';
    ++pos;
  }
  // Accumulate as a negative number so that INT32_MIN itself is reachable.
  constexpr std::int64_t kLimit = static_cast<std::int64_t>(INT32_MAX) + 1;
  std::int64_t magnitude = 0;
  for (; pos < half.size() && half[pos] >= '0' && half[pos] <= '9'; ++pos) {
    magnitude = std::min(magnitude * 10 + (half[pos] - '0'), kLimit);
  }
  if (negative) return static_cast<std::int32_t>(-magnitude);
  return static_cast<std::int32_t>(std::min<std::int64_t>(magnitude, INT32_MAX));
}

std::int32_t ToInt(std::int32_t value) { return value; }
std::int32_t ToInt(std::int16_t value) { return value; }
std::int32_t ToInt(std::uint8_t value) { return value; }
std::int32_t ToInt(bool value) { return value ? 1 : 0; }
std::int32_t ToInt(RoutineAddress value) { return static_cast<std::int32_t>(value.value); }
std::int32_t ToInt(double value) { return ClampToInt(std::trunc(value)); }
std::int32_t ToInt(float value) { return ToInt(static_cast<double>(value)); }

std::int32_t FloorInt(double value) {
  double whole = 0.0;
  const double fraction = std::modf(value, &whole);
  if (std::fabs(fraction) > 0.999999999999) {
    value = whole + (value < 0 ? -1.0 : 1.0);
  }
  return ClampToInt(std::floor(value));
}

DateTime DateTimeFromParts(int year, int month, int day, int hour, int minute, int second) {
  const std::int64_t days =
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kUnixEpochDay;
  const double time = (hour * 3600.0 + minute * 60.0 + second) / kSecondsPerDay;
  // Before day 0 the fraction still counts forward from midnight.
  return {days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time};
}

DateTime Now() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return DateTimeFromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                           local.tm_min, local.tm_sec);
}

Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }
Bytes ToBytes(const char* text) {
  return text == nullptr ? Bytes{} : ToBytes(std::string_view(text));
}
Bytes ToBytes(const Bytes& block) { return block; }
Bytes ToBytes(std::uint8_t value) { return LittleEndianImage(value); }
Bytes ToBytes(std::int16_t value) { return LittleEndianImage(value); }
Bytes ToBytes(std::int32_t value) { return LittleEndianImage(value); }
Bytes ToBytes(float value) { return LittleEndianImage(value); }
Bytes ToBytes(bool value) { return LittleEndianImage<std::int32_t>(value ? 1 : 0); }
Bytes ToBytes(RoutineAddress value) { return LittleEndianImage(value.value); }
Bytes ToBytes(std::int64_t value) { return LittleEndianImage(value); }
Bytes ToBytes(double value) { return LittleEndianImage(value); }
Bytes ToBytes(DateTime value) { return LittleEndianImage(value.days); }

}  // namespace kestrilo
