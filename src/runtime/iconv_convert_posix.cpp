#include "runtime/iconv_convert.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include <iconv.h>

namespace kestrilo::detail {
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

void FillGbkCodes(std::array<std::uint16_t, 0x10000>& codes, std::uint16_t unmapped) {
  codes.fill(unmapped);
  const iconv_t cd = iconv_open("GBK", "UTF-16LE");
  if (cd == reinterpret_cast<iconv_t>(-1)) return;
  for (std::uint32_t code = 1; code < 0x10000; ++code) {
    if (code >= 0xD800 && code <= 0xDFFF) continue;
    char in[2] = {static_cast<char>(code & 0xFF), static_cast<char>(code >> 8)};
    char out[8];
    char* in_ptr = in;
    char* out_ptr = out;
    std::size_t in_left = 2;
    std::size_t out_left = sizeof out;
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<std::size_t>(-1)) {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      continue;
    }
    const std::size_t length = sizeof out - out_left;
    const auto byte = [&out](std::size_t i) { return static_cast<unsigned char>(out[i]); };
    if (length == 1) codes[code] = byte(0);
    if (length == 2) codes[code] = static_cast<std::uint16_t>(byte(0) << 8 | byte(1));
  }
  iconv_close(cd);
}

}  // namespace kestrilo::detail
