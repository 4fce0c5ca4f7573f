#include "runtime/iconv_convert.h"

#include <algorithm>
#include <cctype>

namespace kestrilo::detail {

std::size_t SkipUtf8(const unsigned char* p, std::size_t left) {
  const std::size_t expected = p[0] < 0xC0 ? 1 : p[0] < 0xE0 ? 2 : p[0] < 0xF0 ? 3 : 4;
  std::size_t n = 1;
  while (n < expected && n < left && (p[n] & 0xC0) == 0x80) ++n;
  return n;
}

std::size_t SkipGbk(const unsigned char* p, std::size_t left) {
  return (p[0] >= 0x81 && p[0] <= 0xFE && left >= 2 && p[1] >= 0x40) ? 2 : 1;
}

// A surrogate pair is one character: it becomes one replacement.
std::size_t SkipUtf16Le(const unsigned char* p, std::size_t left) {
  if (left < 2) return left;
  const unsigned unit = p[0] | (p[1] << 8);
  if (unit >= 0xD800 && unit <= 0xDBFF && left >= 4) {
    const unsigned next = p[2] | (p[3] << 8);
    if (next >= 0xDC00 && next <= 0xDFFF) return 4;
  }
  return 2;
}

std::size_t SkipOneByte(const unsigned char*, std::size_t) { return 1; }

SkipLength SkipFor(std::string_view name) {
  std::string upper(name);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (upper == "UTF-8") return SkipUtf8;
  if (upper == "GBK" || upper == "GB18030" || upper == "CP936" || upper.starts_with("BIG5")) {
    return SkipGbk;  // the same lead/trail shape
  }
  if (upper.starts_with("UTF-16") || upper.starts_with("UCS-2")) return SkipUtf16Le;
  return SkipOneByte;
}

std::u16string WideFromLe(std::string_view bytes) {
  std::u16string wide(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return wide;
}

std::string LeFromWide(std::u16string_view wide) {
  std::string bytes(wide.size() * 2, '\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    bytes[2 * i] = static_cast<char>(wide[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(wide[i] >> 8);
  }
  return bytes;
}

}  // namespace kestrilo::detail
