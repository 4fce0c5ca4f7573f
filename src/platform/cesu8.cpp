#include "platform/cesu8.h"

namespace kestrilo {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::string Cesu8FromUtf16(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3);
  for (const char16_t unit : utf16) {
    if (unit < 0x80) {
      out += static_cast<char>(unit);
    } else if (unit < 0x800) {
      out += static_cast<char>(0xC0 | (unit >> 6));
      out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (unit >> 12));
      out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return out;
}

std::u16string Utf16FromCesu8(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    // Sequence length and the smallest code point it may carry (anything
    // smaller is an overlong form).
    std::size_t length = 0;
    char32_t minimum = 0;
    char32_t code = 0;
    if (lead < 0x80) {
      length = 1;
      code = lead;
    } else if (lead >= 0xC2 && lead < 0xE0) {
      length = 2;
      minimum = 0x80;
      code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      length = 3;
      minimum = 0x800;
      code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead < 0xF5) {
      length = 4;
      minimum = 0x10000;
      code = lead & 0x07;
    }
    bool valid = length != 0 && i + length <= bytes.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      valid = IsContinuation(next);
      code = (code << 6) | (next & 0x3F);
    }
    if (!valid || code < minimum || code > 0x10FFFF) {
      out += kReplacement;
      ++i;
      continue;
    }
    // A surrogate from a three-byte sequence is kept as the unit it is, so a
    // separately encoded pair is a pair again.
    if (code >= 0x10000) {
      code -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (code >> 10));
      out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
    i += length;
  }
  return out;
}

}  // namespace kestrilo
