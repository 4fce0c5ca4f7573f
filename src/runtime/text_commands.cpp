#include "runtime/text_commands.h"

#include <algorithm>
#include <cstring>

#include "runtime/double_byte.h"

namespace kestrilo {
namespace {

constexpr unsigned char kFullWidthSpaceByte = 0xA1;

int ClampedSize(std::size_t size) {
  return size > static_cast<std::size_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(size);
}

// The exact forward search at memmem's speed: memmem proposes a match, and
// the double-byte rule only decides whether it starts on a character
// boundary of the walk from `begin`. Any byte below 0x80 ends a character (a
// single one, or the second byte of a pair), so the byte after it is a
// boundary; from there a run of lead-range bytes steps two at a time. The
// run is scanned back from the candidate no further than the last boundary
// already known, which keeps the whole search linear.
// glibc's memmem is the fastest search at hand; Windows' C library has none.
const char* Search(const char* text, std::size_t size, std::string_view sought) {
#ifdef _WIN32
  const std::size_t at = std::string_view(text, size).find(sought);
  return at == std::string_view::npos ? nullptr : text + at;
#else
  return static_cast<const char*>(memmem(text, size, sought.data(), sought.size()));
#endif
}

int FindForward(std::string_view text, std::string_view sought, std::size_t begin,
                std::size_t end) {
  std::size_t known = begin;  // a character boundary of the walk
  std::size_t from = begin;
  while (from + sought.size() <= end) {
    const char* hit = Search(text.data() + from, end - from, sought);
    if (hit == nullptr) return -1;
    const std::size_t pos = static_cast<std::size_t>(hit - text.data());
    std::size_t run = pos;
    while (run > known && IsLeadByte(static_cast<unsigned char>(text[run - 1]))) --run;
    if ((pos - run) % 2 == 0) return EndsWalk(text, pos) ? -1 : static_cast<int>(pos) + 1;
    // The match starts on the second byte of a character; that character
    // started at pos - 1.
    known = pos - 1;
    from = pos + 1;
  }
  return -1;
}

// One routine for both directions: forward returns the first match in the
// region, backward the last. Region offsets are 0-based.
int FindInRegion(std::string_view text, std::string_view sought, std::optional<int> start,
                 bool ignore_case, bool backward) {
  const std::size_t length = text.size();
  std::size_t b;
  if (start) {
    b = *start > 1 ? static_cast<std::size_t>(*start) - 1 : 0;
  } else {
    b = backward ? length : 0;
  }

  std::size_t region_begin = 0;
  std::size_t region_end = 0;
  if (backward) {
    region_end = std::min(b, length);
  } else if (b < length) {
    region_begin = b;
    region_end = length;
  }
  if (region_begin >= region_end) return -1;
  if (sought.empty()) return 1;

  if (!backward && !ignore_case) return FindForward(text, sought, region_begin, region_end);

  int found = -1;
  // A character may straddle the end of a backward region, so the walk can
  // step past region_end: compare positions, never subtract them.
  for (std::size_t pos = region_begin; pos + sought.size() <= region_end && !EndsWalk(text, pos);
       pos += CharLengthAt(text, pos)) {
    if (BytesEqual(text.data() + pos, sought.data(), sought.size(), ignore_case)) {
      found = static_cast<int>(pos) + 1;
      if (!backward) return found;
    }
  }
  return found;
}

bool IsSpaceAt(std::string_view text, std::size_t offset, std::size_t char_length) {
  const auto byte = static_cast<unsigned char>(text[offset]);
  if (char_length == 1) return byte == ' ';
  return byte == kFullWidthSpaceByte &&
         static_cast<unsigned char>(text[offset + 1]) == kFullWidthSpaceByte;
}

Text MapSingleByteChars(std::string_view text, unsigned char (*map)(unsigned char)) {
  Text result(text);
  for (std::size_t pos = 0; pos < result.size();) {
    const std::size_t n = CharLengthAt(result, pos);
    if (n == 1) result[pos] = static_cast<char>(map(static_cast<unsigned char>(result[pos])));
    pos += n;
  }
  return result;
}

unsigned char UpperAscii(unsigned char byte) {
  return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - ('a' - 'A')) : byte;
}

}  // namespace

int TextLength(std::string_view text) { return ClampedSize(text.size()); }

Text LeftText(std::string_view text, int n) {
  if (n <= 0) return {};
  return Text(text.substr(0, static_cast<std::size_t>(n)));
}

Text RightText(std::string_view text, int n) {
  if (n <= 0) return {};
  const auto count = std::min(text.size(), static_cast<std::size_t>(n));
  return Text(text.substr(text.size() - count));
}

Text MidText(std::string_view text, int start, int n) {
  if (start < 1 || n <= 0 || static_cast<std::size_t>(start) > text.size()) return {};
  return Text(text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

int FindText(std::string_view text, std::string_view sought, std::optional<int> start,
             bool ignore_case) {
  return FindInRegion(text, sought, start, ignore_case, /*backward=*/false);
}

int FindTextBack(std::string_view text, std::string_view sought, std::optional<int> start,
                 bool ignore_case) {
  return FindInRegion(text, sought, start, ignore_case, /*backward=*/true);
}

Text ReplaceText(std::string_view text, std::string_view sought,
                 std::optional<std::string_view> replacement, std::optional<int> start,
                 std::optional<int> count, bool case_sensitive) {
  const std::size_t begin = (start && *start > 1) ? static_cast<std::size_t>(*start) - 1 : 0;
  long long remaining = count ? std::max(*count, 0) : -1;  // -1: unlimited
  if (text.empty() || sought.empty() || begin >= text.size() || remaining == 0) {
    return Text(text);
  }
  const std::string_view with = replacement.value_or(std::string_view{});

  Text result;
  result.reserve(text.size());
  result.append(text.substr(0, begin));
  std::size_t pos = begin;
  if (case_sensitive) {
    // Whole stretches between matches at once: the search keeps to the
    // same character boundaries as the walk below.
    while (remaining != 0) {
      const int found = FindForward(text, sought, pos, text.size());
      if (found < 0) break;
      const auto at = static_cast<std::size_t>(found - 1);
      result.append(text.substr(pos, at - pos)).append(with);
      pos = at + sought.size();
      if (remaining > 0) --remaining;
    }
    result.append(text.substr(pos));
    return result;
  }
  while (remaining != 0 && text.size() - pos >= sought.size() && !EndsWalk(text, pos)) {
    if (BytesEqual(text.data() + pos, sought.data(), sought.size(), !case_sensitive)) {
      result.append(with);
      pos += sought.size();
      if (remaining > 0) --remaining;
      continue;
    }
    const std::size_t n = CharLengthAt(text, pos);
    result.append(text.substr(pos, n));
    pos += n;
  }
  result.append(text.substr(pos));
  return result;
}

std::vector<std::string_view> SplitTextViews(std::string_view text,
                                             std::optional<std::string_view> separator,
                                             std::optional<int> maximum) {
  const std::string_view sep = separator.value_or(",");
  const long long max = maximum ? std::max(*maximum, 0) : -1;  // -1: unlimited
  std::vector<std::string_view> members;
  if (text.empty() || max == 0) return members;
  if (sep.empty()) {
    members.push_back(text);
    return members;
  }

  const auto full = [&] { return max > 0 && static_cast<long long>(members.size()) >= max; };
  std::size_t piece_begin = 0;
  std::size_t pos = 0;
  while (text.size() - pos >= sep.size() && !EndsWalk(text, pos)) {
    if (std::memcmp(text.data() + pos, sep.data(), sep.size()) == 0) {
      members.push_back(text.substr(piece_begin, pos - piece_begin));
      pos += sep.size();
      piece_begin = pos;
      if (full()) return members;
      continue;
    }
    pos += CharLengthAt(text, pos);
  }
  if (piece_begin < text.size() && !full()) members.push_back(text.substr(piece_begin));
  return members;
}

TextList SplitText(std::string_view text, std::optional<std::string_view> separator,
                   std::optional<int> maximum) {
  const auto views = SplitTextViews(text, separator, maximum);
  return TextList(views.begin(), views.end());
}

Text TrimSpaces(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t n = CharLengthAt(text, pos);
    if (!IsSpaceAt(text, pos, n)) break;
    pos += n;
  }
  const std::size_t begin = pos;
  std::size_t end = pos;  // end of the last character that is not a space
  while (pos < text.size()) {
    const std::size_t n = CharLengthAt(text, pos);
    if (!IsSpaceAt(text, pos, n)) end = pos + n;
    pos += n;
  }
  return Text(text.substr(begin, end - begin));
}

Text RemoveSpaces(std::string_view text) {
  Text result;
  result.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t n = CharLengthAt(text, pos);
    if (!IsSpaceAt(text, pos, n)) result.append(text.substr(pos, n));
    pos += n;
  }
  return result;
}

Text ToUpper(std::string_view text) { return MapSingleByteChars(text, UpperAscii); }

Text ToLower(std::string_view text) { return MapSingleByteChars(text, FoldAscii); }

int CompareText(std::string_view a, std::string_view b, bool case_sensitive) {
  std::size_t pos = 0;
  const std::size_t common = std::min(a.size(), b.size());
  while (pos < common) {
    // Both texts agree up to `pos`, so they share character boundaries there.
    const std::size_t n = CharLengthAt(a, pos);
    for (std::size_t i = pos; i < pos + n && i < common; ++i) {
      auto x = static_cast<unsigned char>(a[i]);
      auto y = static_cast<unsigned char>(b[i]);
      if (!case_sensitive && n == 1) {
        x = FoldAscii(x);
        y = FoldAscii(y);
      }
      if (x != y) return x < y ? -1 : 1;
    }
    pos += n;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

Text CharFromCode(unsigned char code) {
  if (code == 0) return {};
  return Text(1, static_cast<char>(code));
}

int CodeAt(std::string_view text, std::optional<int> position) {
  const int pos = position.value_or(1);
  if (pos < 1 || static_cast<std::size_t>(pos) > text.size()) return 0;
  return static_cast<signed char>(text[static_cast<std::size_t>(pos) - 1]);
}

Text SpaceText(int n) { return n < 1 ? Text{} : Text(static_cast<std::size_t>(n), ' '); }

Text TextAtAddress(const char* address) { return address == nullptr ? Text{} : Text(address); }

}  // namespace kestrilo
