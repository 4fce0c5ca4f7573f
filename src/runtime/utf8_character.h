#pragma once

// One character of UTF-8, both ways, for the code that converts by hand
// (the GBK table, the Windows conversions, the regular expressions'
// UTF-16 text).

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrilo {

// The character at `p` in strict UTF-8, as iconv reads it, and its length:
// 0 when the sequence is malformed or cut short (overlong forms,
// surrogates, values past U+10FFFF). Inline: it is on the hot path of the
// GBK table.
inline std::uint32_t DecodeUtf8(const unsigned char* p, std::size_t left, std::size_t& length) {
  length = 0;
  const unsigned char lead = p[0];
  if (lead < 0x80) {
    length = 1;
    return lead;
  }
  std::size_t need = 0;
  unsigned char low = 0x80, high = 0xBF;
  std::uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 3;
    code = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 4;
    code = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (left < need || p[1] < low || p[1] > high) return 0;
  code = code << 6 | (p[1] & 0x3F);
  for (std::size_t i = 2; i < need; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    code = code << 6 | (p[i] & 0x3F);
  }
  length = need;
  return code;
}

// `code` (a Unicode scalar value) appended in UTF-8.
inline void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace kestrilo
