#pragma once

// The one conversion loop behind every charset edge of the runtime: iconv
// on Linux, the code-page functions on Windows, with each character that
// cannot be converted replaced, so that an unmappable or malformed character
// costs one replacement instead of the whole text. Encodings are named as
// iconv names them on both. Internal to the runtime.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrilo::detail {

// How many input bytes one bad character spans, for the source encoding.
using SkipLength = std::size_t (*)(const unsigned char* bytes, std::size_t left);

std::size_t SkipUtf8(const unsigned char* bytes, std::size_t left);

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
std::size_t SkipGbk(const unsigned char* bytes, std::size_t left);
std::size_t SkipUtf16Le(const unsigned char* bytes, std::size_t left);
std::size_t SkipOneByte(const unsigned char* bytes, std::size_t left);

// The skip rule that fits an iconv encoding name.
SkipLength SkipFor(std::string_view iconv_name);

// Converts `input` from `from` to `to`, writing `replacement` (already in
// the target encoding) for each character that fails. Empty optional when
// iconv does not know one of the encodings.
std::optional<std::string> IconvConvert(std::string_view input, const char* to, const char* from,
                                        std::string_view replacement);

// The GBK code of every BMP character: below 0x100 a single byte, else lead
// and trail byte; `unmapped` where GBK has none.
void FillGbkCodes(std::array<std::uint16_t, 0x10000>& codes, std::uint16_t unmapped);

// UTF-16LE bytes and UTF-16 strings, both ways.
std::u16string WideFromLe(std::string_view bytes);
std::string LeFromWide(std::u16string_view wide);

}  // namespace kestrilo::detail
