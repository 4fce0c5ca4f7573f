#include "runtime/utf8_gbk_table.h"

#include <array>
#include <cstdint>
#include <memory>

#include "runtime/iconv_convert.h"
#include "runtime/utf8_character.h"

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
    const std::uint32_t code = DecodeUtf8(p, static_cast<std::size_t>(end - p), length);
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
