#pragma once

// Conversions between the runtime's kinds of values: ToText, ToInt,
// FloorInt, the bit operations, Now and ToBytes.

#include <concepts>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>

#include "runtime/types.h"

namespace kestrilo {

Text ToText(std::string_view text);
Text ToText(const char* text);
Text ToText(std::int32_t value);
Text ToText(std::int16_t value);
Text ToText(std::uint8_t value);
Text ToText(std::int64_t value);
Text ToText(bool value);  // "真" or "假"
Text ToText(DateTime value);
Text ToText(const Bytes& block);  // up to the first zero byte
Text ToText(double value);        // "%.13g"
Text ToText(float value);         // "%.6g"

// Full-width digits, letters and signs are read as their ASCII forms, then
// the text is read like atoi: leading white space, an optional sign, digits
// up to the first other character. Values past 32 bits clamp to the int
// range instead of overflowing.
std::int32_t ToInt(std::string_view text);
std::int32_t ToInt(const char* text);
std::int32_t ToInt(std::int32_t value);
std::int32_t ToInt(std::int16_t value);
std::int32_t ToInt(std::uint8_t value);
std::int32_t ToInt(bool value);
std::int32_t ToInt(RoutineAddress value);
std::int32_t ToInt(double value);  // truncated toward zero, clamped; NaN gives 0
std::int32_t ToInt(float value);

// Floor, after a value within 1e-12 of an integer has been moved onto it.
std::int32_t FloorInt(double value);

template <std::same_as<std::int32_t>... Rest>
std::int32_t BitAnd(std::int32_t first, std::int32_t second, Rest... rest) {
  return ((first & second) & ... & rest);
}

template <std::same_as<std::int32_t>... Rest>
std::int32_t BitOr(std::int32_t first, std::int32_t second, Rest... rest) {
  return ((first | second) | ... | rest);
}

// The local date and time, to the second.
DateTime Now();

DateTime DateTimeFromParts(int year, int month, int day, int hour = 0, int minute = 0,
                           int second = 0);

// Memory images, little-endian: byte 1, short 2, int/float/bool/routine 4,
// int64/double/date-time 8 bytes.
Bytes ToBytes(std::string_view text);
Bytes ToBytes(const char* text);
Bytes ToBytes(const Bytes& block);
Bytes ToBytes(std::uint8_t value);
Bytes ToBytes(std::int16_t value);
Bytes ToBytes(std::int32_t value);
Bytes ToBytes(float value);
Bytes ToBytes(bool value);
Bytes ToBytes(RoutineAddress value);
Bytes ToBytes(std::int64_t value);
Bytes ToBytes(double value);
Bytes ToBytes(DateTime value);

// An array of numbers packs its elements one after another.
template <typename T>
requires std::is_arithmetic_v<T> Bytes ToBytes(const std::vector<T>& values) {
  Bytes result;
  result.reserve(values.size() * sizeof(T));
  for (const T& value : values) {
    const Bytes one = ToBytes(value);
    result.insert(result.end(), one.begin(), one.end());
  }
  return result;
}

}  // namespace kestrilo
