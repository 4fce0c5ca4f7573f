#include "runtime/utf8_gbk_table.h"

#include <array>
#include <cstdint>
#include <memory>

#include "runtime/iconv_convert.h"

namespace kestrilo {
namespace {

constexpr std::uint16_t kUnmapped = 0xFFFF;  // no GBK code ends in 0xFF

// The GBK code of every BMP character: below 0x100 a single byte, else a
// lead and a trail byte; kUnmapped where GBK has none.
using GbkTable = std::array<std::uint16_t, 0x10000>;

std::unique_ptr<GbkTable> BuildTable() {
  auto table = std::make_unique<GbkTable>();
  detail::FillGbkCodes(*table, kUnmapped);
  return table;
}

const GbkTable& Table() {
  static const std::unique_ptr<GbkTable> table = BuildTable();
  return *table;
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The character at `p`, and its length; length 0 when the sequence is
// malformed or cut short. Overlong forms, surrogates and values past
// U+10FFFF are malformed, as iconv has them.
std::uint32_t Decode(const unsigned char* p, std::size_t left, std::size_t& length) {
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
    if (!IsContinuation(p[i])) return 0;
    code = code << 6 | (p[i] & 0x3F);
  }
  length = need;
  return code;
}

}  // namespace

Text Utf8ToGbkByTable(std::string_view utf8) {
  const GbkTable& table = Table();
  // GBK never takes more bytes than UTF-8 for the same text, nor a "?"
  // more than the bytes it stands for.
  Text out(utf8.size(), '\0');
  char* to = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const auto* const end = p + utf8.size();
  while (p < end) {
    // A run of ASCII, the bulk of most pages, is copied as it stands.
    if (*p < 0x80) {
      if (*p == 0) break;
      *to++ = static_cast<char>(*p++);
      continue;
    }
    std::size_t length = 0;
    const std::uint32_t code = Decode(p, static_cast<std::size_t>(end - p), length);
    if (length == 0) {
      *to++ = '?';
      p += detail::SkipUtf8(p, static_cast<std::size_t>(end - p));
      continue;
    }
    const std::uint16_t gbk = code < 0x10000 ? table[code] : kUnmapped;
    if (code >= 0xE0000 && code <= 0xE007F) {
      // Language tags: iconv drops them rather than mark them.
    } else if (gbk == kUnmapped) {
      *to++ = '?';
    } else if (gbk < 0x100) {
      *to++ = static_cast<char>(gbk);
    } else {
      *to++ = static_cast<char>(gbk >> 8);
      *to++ = static_cast<char>(gbk & 0xFF);
    }
    p += length;
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
  return out;
}

}  // namespace kestrilo
