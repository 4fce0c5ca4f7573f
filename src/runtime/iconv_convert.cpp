#include "runtime/iconv_convert.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include <iconv.h>

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

namespace {

// Opening a conversion costs more than converting a keyword, so each thread
// keeps the ones it has opened, in their initial state between uses.
class OpenConversions {
 public:
  OpenConversions() = default;
  OpenConversions(const OpenConversions&) = delete;
  OpenConversions& operator=(const OpenConversions&) = delete;
  ~OpenConversions() {
    for (const Entry& entry : entries_) iconv_close(entry.cd);
  }

  // The conversion and its skip rule; nullopt when iconv does not know
  // one of the encodings (not remembered: that is no hot path).
  std::optional<std::pair<iconv_t, SkipLength>> Get(const char* to, const char* from) {
    for (const Entry& entry : entries_) {
      if (entry.to == to && entry.from == from) return std::pair(entry.cd, entry.skip);
    }
    const iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    // Pages name their charsets, so the pairs are few but not fixed: the
    // oldest goes when the list is full.
    if (entries_.size() == kMaxOpen) {
      iconv_close(entries_.front().cd);
      entries_.erase(entries_.begin());
    }
    entries_.push_back({to, from, cd, SkipFor(from)});
    return std::pair(cd, entries_.back().skip);
  }

 private:
  struct Entry {
    std::string to;
    std::string from;
    iconv_t cd;
    SkipLength skip;
  };
  static constexpr std::size_t kMaxOpen = 16;
  std::vector<Entry> entries_;
};

}  // namespace

std::optional<std::string> IconvConvert(std::string_view input, const char* to, const char* from,
                                        std::string_view replacement) {
  thread_local OpenConversions open;
  const auto conversion = open.Get(to, from);
  if (!conversion) return std::nullopt;
  const auto [cd, skip_length] = *conversion;

  std::string output(input.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  std::size_t used = 0;
  const auto grow = [&](std::size_t at_least) {
    output.resize(std::max(output.size() * 2, used + at_least));
  };

  while (in_left > 0) {
    char* out = output.data() + used;
    std::size_t out_left = output.size() - used;
    const std::size_t rc = iconv(cd, &in, &in_left, &out, &out_left);
    used = output.size() - out_left;
    if (rc != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      grow(16);
      continue;
    }
    // EILSEQ or EINVAL: one character that cannot be converted.
    if (output.size() - used < replacement.size()) grow(replacement.size());
    std::memcpy(output.data() + used, replacement.data(), replacement.size());
    used += replacement.size();
    const std::size_t skip = skip_length(reinterpret_cast<const unsigned char*>(in), in_left);
    in += skip;
    in_left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  // Flush any shift state the target encoding keeps.
  for (;;) {
    char* out = output.data() + used;
    std::size_t out_left = output.size() - used;
    const std::size_t rc = iconv(cd, nullptr, nullptr, &out, &out_left);
    used = output.size() - out_left;
    if (rc != static_cast<std::size_t>(-1) || errno != E2BIG) break;
    grow(16);
  }
  // Back to the initial state for the next use.
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  output.resize(used);
  return output;
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
