#include "runtime/variant.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "runtime/conversion.h"
#include "runtime/iconv_convert.h"

namespace kestrilo {
namespace {

// The day range of a date-time: years 100 to 9999.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958465.0;

std::u16string Ascii16(std::string_view ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

// The numeric value of a variant that has one.
std::optional<double> NumberOf(const Variant& v) {
  switch (v.type()) {
    case VarType::kEmpty: return 0.0;
    case VarType::kI2: return v.i2();
    case VarType::kI4: return v.i4();
    case VarType::kR4: return v.r4();
    case VarType::kR8: return v.r8();
    case VarType::kDate: return v.date().days;
    case VarType::kBool: return v.boolean() ? -1.0 : 0.0;
    case VarType::kUI1: return v.ui1();
    default: return std::nullopt;
  }
}

std::string Narrow(const std::u16string& text) {
  std::string ascii;
  ascii.reserve(text.size());
  for (char16_t c : text) {
    if (c > 0x7F) return {};  // a number is written in ASCII only
    ascii.push_back(static_cast<char>(c));
  }
  return ascii;
}

// A text read as a number: decimal with optional fraction and exponent, or
// VB's &H hexadecimal, surrounded by blanks.
std::optional<double> ParseNumber(const std::u16string& text) {
  std::string s = Narrow(text);
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  const auto last = s.find_last_not_of(" \t");
  s = s.substr(first, last - first + 1);
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(s.c_str() + 2, &end, 16);
    if (*end != '\0' || value > 0xFFFFFFFFull) return std::nullopt;
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
  }
  if (s.find_first_of("xXpP") != std::string::npos) return std::nullopt;  // no C hex floats
  if (s.find("nan") != std::string::npos || s.find("inf") != std::string::npos ||
      s.find("NAN") != std::string::npos || s.find("INF") != std::string::npos) {
    return std::nullopt;
  }
  char* end = nullptr;
  const double value = std::strtod(s.c_str(), &end);
  if (end == s.c_str() || *end != '\0') return std::nullopt;
  return value;
}

std::u16string FormatNumber(double value, int digits) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
  return Ascii16(buffer);
}

// Round half to even, as the platform rounds when narrowing to integers.
template <typename Int>
HResult ToInteger(double value, Int& out) {
  if (std::isnan(value)) return HResult::kOverflow;
  const double rounded = std::nearbyint(value);
  if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
    return HResult::kOverflow;
  }
  out = static_cast<Int>(rounded);
  return HResult::kOk;
}

bool EqualsIgnoringCase(const std::u16string& text, std::string_view ascii) {
  if (text.size() != ascii.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] > 0x7F || std::tolower(static_cast<unsigned char>(text[i])) !=
                              std::tolower(static_cast<unsigned char>(ascii[i]))) {
      return false;
    }
  }
  return true;
}

std::optional<std::u16string> TextOf(const Variant& v) {
  switch (v.type()) {
    case VarType::kEmpty: return std::u16string();
    case VarType::kBstr: return v.bstr();
    case VarType::kBool: return Ascii16(v.boolean() ? "True" : "False");
    case VarType::kI2: return Ascii16(std::to_string(v.i2()));
    case VarType::kI4: return Ascii16(std::to_string(v.i4()));
    case VarType::kUI1: return Ascii16(std::to_string(v.ui1()));
    case VarType::kR4: return FormatNumber(v.r4(), 7);
    case VarType::kR8: return FormatNumber(v.r8(), 15);
    case VarType::kDate: return Utf16FromGbk(ToText(v.date()));
    default: return std::nullopt;
  }
}

}  // namespace

Variant Variant::FromText(std::string_view gbk) { return Bstr(Utf16FromGbk(gbk)); }

VarType Variant::type() const {
  static constexpr VarType kTypes[] = {VarType::kEmpty,
                                       VarType::kI2,
                                       VarType::kI4,
                                       VarType::kR4,
                                       VarType::kR8,
                                       VarType::kDate,
                                       VarType::kBstr,
                                       VarType::kDispatch,
                                       VarType::kError,
                                       VarType::kBool,
                                       VarType::kUI1,
                                       VarType::kArrayOfUI1,
                                       VarType::kArrayOfVariant};
  return kTypes[value_.index()];
}

bool Variant::IsOmitted() const {
  return type() == VarType::kError && error() == HResult::kParamNotFound;
}

HResult ChangeType(const Variant& in, VarType to, Variant& out) {
  if (to == VarType::kVariant || in.type() == to) {
    out = in;
    return HResult::kOk;
  }
  switch (to) {
    case VarType::kEmpty: out = Variant(); return HResult::kOk;
    case VarType::kBstr: {
      const auto text = TextOf(in);
      if (!text) return HResult::kTypeMismatch;
      out = Variant::Bstr(*text);
      return HResult::kOk;
    }
    case VarType::kBool: {
      if (in.type() == VarType::kBstr) {
        if (EqualsIgnoringCase(in.bstr(), "true")) {
          out = Variant::Bool(true);
          return HResult::kOk;
        }
        if (EqualsIgnoringCase(in.bstr(), "false")) {
          out = Variant::Bool(false);
          return HResult::kOk;
        }
      }
      const auto number = in.type() == VarType::kBstr ? ParseNumber(in.bstr()) : NumberOf(in);
      if (!number) return HResult::kTypeMismatch;
      out = Variant::Bool(*number != 0.0);
      return HResult::kOk;
    }
    case VarType::kDispatch: return HResult::kTypeMismatch;
    default: break;
  }

  const auto number = in.type() == VarType::kBstr ? ParseNumber(in.bstr()) : NumberOf(in);
  if (!number) return HResult::kTypeMismatch;
  const double value = *number;
  switch (to) {
    case VarType::kI2: {
      std::int16_t n = 0;
      const HResult hr = ToInteger(value, n);
      if (Succeeded(hr)) out = Variant::I2(n);
      return hr;
    }
    case VarType::kI4: {
      std::int32_t n = 0;
      const HResult hr = ToInteger(value, n);
      if (Succeeded(hr)) out = Variant::I4(n);
      return hr;
    }
    case VarType::kUI1: {
      std::uint8_t n = 0;
      const HResult hr = ToInteger(value, n);
      if (Succeeded(hr)) out = Variant::UI1(n);
      return hr;
    }
    case VarType::kR4:
      if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max()) {
        return HResult::kOverflow;
      }
      out = Variant::R4(static_cast<float>(value));
      return HResult::kOk;
    case VarType::kR8: out = Variant::R8(value); return HResult::kOk;
    case VarType::kDate:
      if (!(value >= kMinDate && value <= kMaxDate)) return HResult::kOverflow;
      out = Variant::Date(DateTime{value});
      return HResult::kOk;
    default: return HResult::kTypeMismatch;
  }
}

std::u16string Utf16FromGbk(std::string_view gbk) {
  const auto le = detail::IconvConvert(gbk, "UTF-16LE", "GBK", std::string_view("?\0", 2));
  return le ? detail::WideFromLe(*le) : std::u16string();
}

Text GbkFromUtf16(std::u16string_view utf16) {
  return detail::IconvConvert(detail::LeFromWide(utf16), "GBK", "UTF-16LE", "?").value_or(Text());
}

}  // namespace kestrilo
