#include "runtime/gbk.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace kestrilo {
namespace {

// How many bytes an unconvertible character spans, so that it becomes a
// single "?" without swallowing the valid bytes behind it.
std::size_t Utf8Skip(const unsigned char* p, std::size_t left) {
  const std::size_t expected = p[0] < 0xC0 ? 1 : p[0] < 0xE0 ? 2 : p[0] < 0xF0 ? 3 : 4;
  std::size_t n = 1;
  while (n < expected && n < left && (p[n] & 0xC0) == 0x80) ++n;
  return n;
}

std::size_t GbkSkip(const unsigned char* p, std::size_t left) {
  return (p[0] >= 0x81 && p[0] <= 0xFE && left >= 2 && p[1] >= 0x40) ? 2 : 1;
}

std::string Convert(std::string_view input, const char* to, const char* from,
                    std::size_t (*skip_length)(const unsigned char*, std::size_t)) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(input);

  std::string output;
  output.resize(input.size() * 2 + 8);
  char* in = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  char* out = output.data();
  std::size_t out_left = output.size();

  while (in_left > 0) {
    if (iconv(cd, &in, &in_left, &out, &out_left) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      const std::size_t used = output.size() - out_left;
      output.resize(output.size() * 2);
      out = output.data() + used;
      out_left = output.size() - used;
      continue;
    }
    // EILSEQ or EINVAL: one character that cannot be converted.
    if (out_left == 0) {
      const std::size_t used = output.size();
      output.resize(output.size() * 2);
      out = output.data() + used;
      out_left = output.size() - used;
    }
    *out++ = '?';
    --out_left;
    const std::size_t skip = skip_length(reinterpret_cast<const unsigned char*>(in), in_left);
    in += skip;
    in_left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  output.resize(output.size() - out_left);
  iconv_close(cd);

  // Text ends at its first zero character.
  if (const auto zero = output.find('\0'); zero != std::string::npos) output.resize(zero);
  return output;
}

}  // namespace

Text GbkFromUtf8(std::string_view utf8) {
  return Convert(utf8, "GBK", "UTF-8", Utf8Skip);
}

std::string Utf8FromGbk(std::string_view gbk) {
  return Convert(gbk, "UTF-8", "GBK", GbkSkip);
}

}  // namespace kestrilo
