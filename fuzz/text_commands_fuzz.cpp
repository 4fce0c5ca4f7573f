// The runtime's text commands against a plain walk of the double-byte rule:
// searching, replacing, splitting, trimming, case mapping and comparing.

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "runtime/text_commands.h"

#include "fuzz_input.h"

namespace {

using namespace kestrilo;
using kestrilo::fuzz::FuzzInput;

// The characters of `text`, walked from its first byte.
std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> chars;
  for (std::size_t pos = 0; pos < text.size();) {
    const bool pair = static_cast<unsigned char>(text[pos]) >= 0x80 && pos + 1 < text.size();
    chars.push_back(text.substr(pos, pair ? 2 : 1));
    pos += chars.back().size();
  }
  return chars;
}

std::size_t OffsetIn(std::string_view text, std::string_view part) {
  return static_cast<std::size_t>(part.data() - text.data());
}

// A lead byte with nothing behind it: the walk ends there.
bool EndsTheWalk(std::string_view c) {
  return c.size() == 1 && static_cast<unsigned char>(c[0]) >= 0x80;
}

bool IsSpace(std::string_view c) { return c == " " || c == "\xA1\xA1"; }

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

// Whether `sought` matches at the start of `text`, which begins on a
// character boundary; only letters that are characters of their own fold.
bool MatchesAtStart(std::string_view text, std::string_view sought, bool fold) {
  if (text.size() < sought.size()) return false;
  for (std::size_t i = 0; i < sought.size();) {
    if (static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size()) {
      if (text[i] != sought[i] || (i + 1 < sought.size() && text[i + 1] != sought[i + 1])) {
        return false;
      }
      i += 2;
    } else {
      if (fold ? Fold(text[i]) != Fold(sought[i]) : text[i] != sought[i]) return false;
      ++i;
    }
  }
  return true;
}

int ExpectedFind(std::string_view text, std::string_view sought, std::optional<int> start,
                 bool fold) {
  const std::size_t from = start && *start > 1 ? static_cast<std::size_t>(*start) - 1 : 0;
  if (from >= text.size()) return -1;
  if (sought.empty()) return 1;
  for (std::string_view c : Characters(text.substr(from))) {
    if (EndsTheWalk(c)) break;
    const std::size_t offset = OffsetIn(text, c);
    if (MatchesAtStart(text.substr(offset), sought, fold)) return static_cast<int>(offset) + 1;
  }
  return -1;
}

int ExpectedFindBack(std::string_view text, std::string_view sought, std::optional<int> start,
                     bool fold) {
  std::size_t end = text.size();
  if (start) end = *start > 1 ? std::min(end, static_cast<std::size_t>(*start) - 1) : 0;
  if (end == 0) return -1;
  if (sought.empty()) return 1;
  int found = -1;
  for (std::string_view c : Characters(text)) {
    const std::size_t offset = OffsetIn(text, c);
    if (offset + sought.size() > end || EndsTheWalk(c)) break;
    if (MatchesAtStart(text.substr(offset), sought, fold)) found = static_cast<int>(offset) + 1;
  }
  return found;
}

// Replacing is splicing at the matches FindText gives, each search starting
// behind the previous match.
Text ExpectedReplace(std::string_view text, std::string_view sought, std::string_view with,
                     std::optional<int> start, std::optional<int> count, bool fold) {
  std::size_t pos = start && *start > 1 ? static_cast<std::size_t>(*start) - 1 : 0;
  long long remaining = count ? std::max(*count, 0) : -1;
  if (sought.empty() || pos >= text.size()) return Text(text);
  Text result(text.substr(0, pos));
  for (; remaining != 0; --remaining) {
    const int found = FindText(text, sought, static_cast<int>(pos) + 1, fold);
    if (found == -1) break;
    result.append(text.substr(pos, static_cast<std::size_t>(found - 1) - pos)).append(with);
    pos = static_cast<std::size_t>(found - 1) + sought.size();
  }
  return result.append(text.substr(pos));
}

int Sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::kMaxInput) return -1;
  FuzzInput in(data, size);
  const std::string_view text = in.NextText();
  const std::string_view sought = in.NextText();
  const std::string_view other = in.NextText();
  const bool fold = in.Flag();
  const std::optional<int> start = in.Position(text.size());

  FUZZ_CHECK(FindText(text, sought, start, fold) == ExpectedFind(text, sought, start, fold));
  FUZZ_CHECK(FindTextBack(text, sought, start, fold) ==
             ExpectedFindBack(text, sought, start, fold));

  const std::optional<int> count = in.Position(4);
  const std::optional<std::string_view> with =
      in.Flag() ? std::optional<std::string_view>(other) : std::nullopt;
  FUZZ_CHECK(ReplaceText(text, sought, with, start, count, !fold) ==
             ExpectedReplace(text, sought, with.value_or(""), start, count, fold));

  // Rejoined, the members give back the text, less a separator that ended it.
  const std::optional<std::string_view> separator =
      in.Flag() ? std::optional<std::string_view>(sought) : std::nullopt;
  const std::string_view sep = separator.value_or(",");
  const TextList members = SplitText(text, separator);
  Text joined;
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (i > 0) joined.append(sep);
    joined.append(members[i]);
    if (!sep.empty()) FUZZ_CHECK(FindText(members[i], sep) == -1);
  }
  const bool cut_separator = !sep.empty() && joined + Text(sep) == text;
  FUZZ_CHECK(joined == text || cut_separator);
  // An empty last member stands before a separator, never after the last one.
  FUZZ_CHECK(members.empty() || !members.back().empty() || cut_separator);
  const std::optional<int> maximum = in.Position(members.size());
  const TextList first = SplitText(text, separator, maximum);
  const std::size_t kept =
      maximum ? std::min(members.size(), static_cast<std::size_t>(std::max(*maximum, 0)))
              : members.size();
  FUZZ_CHECK(first ==
             TextList(members.begin(), members.begin() + static_cast<std::ptrdiff_t>(kept)));

  // Trimming and removing spaces, character by character.
  const std::vector<std::string_view> chars = Characters(text);
  const auto first_kept = std::find_if_not(chars.begin(), chars.end(), IsSpace);
  const auto last_kept = std::find_if_not(chars.rbegin(), chars.rend(), IsSpace);
  const std::size_t begin = first_kept == chars.end() ? 0 : OffsetIn(text, *first_kept);
  const std::size_t end =
      first_kept == chars.end() ? 0 : OffsetIn(text, *last_kept) + last_kept->size();
  const std::string_view trimmed = text.substr(begin, end - begin);
  FUZZ_CHECK(TrimSpaces(text) == trimmed);
  Text without_spaces;
  for (std::string_view c : chars) {
    if (!IsSpace(c)) without_spaces.append(c);
  }
  FUZZ_CHECK(RemoveSpaces(text) == without_spaces);

  // Case maps touch single-byte letters only.
  const Text upper = ToUpper(text);
  const Text lower = ToLower(text);
  FUZZ_CHECK(upper.size() == text.size() && lower.size() == text.size());
  for (std::string_view c : chars) {
    const std::size_t offset = OffsetIn(text, c);
    for (std::size_t k = 0; k < c.size(); ++k) {
      const char byte = c[k];
      const bool small = c.size() == 1 && byte >= 'a' && byte <= 'z';
      const bool capital = c.size() == 1 && byte >= 'A' && byte <= 'Z';
      FUZZ_CHECK(lower[offset + k] == (capital ? Fold(byte) : byte));
      FUZZ_CHECK(upper[offset + k] == (small ? static_cast<char>(byte - ('a' - 'A')) : byte));
    }
  }

  // Comparing: an order, and ignoring case means comparing the lowered texts.
  FUZZ_CHECK(CompareText(text, text, true) == 0 && CompareText(text, upper, false) == 0);
  const int compared = Sign(CompareText(text, other, !fold));
  FUZZ_CHECK(compared == -Sign(CompareText(other, text, !fold)));
  FUZZ_CHECK((CompareText(text, other, true) == 0) == (text == other));
  FUZZ_CHECK(Sign(CompareText(text, other, false)) ==
             Sign(CompareText(lower, ToLower(other), true)));
  return 0;
}
