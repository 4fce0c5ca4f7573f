#include "mining/cut_induction.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "mining/json_cut.h"
#include "mining/recipe_file.h"
#include "runtime/double_byte.h"
#include "runtime/gbk.h"
#include "runtime/text_commands.h"
#include "runtime/variant.h"  // Utf16FromGbk, GbkFromUtf16
#include "text/code_page_conversion.h"
#include "text/marker_slicing.h"
#include "text/quote_placeholder.h"
#include "text/text_between_all.h"
#include "text/url_encoding.h"

namespace kestrilo {
namespace {

// Two keywords in one place may be chance; three make a structure.
constexpr std::size_t kNeeded = 3;
constexpr std::size_t kMaxMarker = 64;
constexpr int kMaxValueChars = 64;
// Occurrences are compared pairwise, and subsets are kept as bit sets.
constexpr std::size_t kMaxOccurrences = 256;
// A keyword found all over a page is a word of the page, not of one list.
constexpr std::size_t kMaxPerKeyword = 16;
// Per pivot and side: the subsets tried are their square.
constexpr std::size_t kMaxThresholds = 16;
constexpr std::size_t kMaxKnown = 4096;
// Distinct subsets turned into markers, per form: each costs a pass over
// its members for every byte its markers are cut back.
constexpr std::size_t kMaxSubsets = 4096;
// Passes over the reply for checking candidates: two per known keyword,
// within these bounds.
constexpr long long kMinPasses = 64;
constexpr long long kMaxPasses = 1024;

using Members = std::bitset<kMaxOccurrences>;

// How a reply may hold a keyword: as it is, "\u" escaped (decoded by the
// cut), percent-encoded or as HTML entities (both taken as they stand).
enum class Form {
  kRaw,
  kEscapeLower,
  kEscapeUpper,
  kPercentUtf8Upper,
  kPercentUtf8Lower,
  kPercentGbkUpper,
  kPercentGbkLower,
  kEntityDecimal,
  kEntityHexLower,
  kEntityHexUpper,
};
constexpr Form kForms[] = {Form::kRaw,
                           Form::kEscapeLower,
                           Form::kEscapeUpper,
                           Form::kPercentUtf8Upper,
                           Form::kPercentUtf8Lower,
                           Form::kPercentGbkUpper,
                           Form::kPercentGbkLower,
                           Form::kEntityDecimal,
                           Form::kEntityHexLower,
                           Form::kEntityHexUpper};

bool IsEscape(Form form) { return form == Form::kEscapeLower || form == Form::kEscapeUpper; }
bool IsPercentUtf8(Form form) {
  return form == Form::kPercentUtf8Upper || form == Form::kPercentUtf8Lower;
}
bool IsPercent(Form form) {
  return IsPercentUtf8(form) || form == Form::kPercentGbkUpper || form == Form::kPercentGbkLower;
}
bool IsEntity(Form form) {
  return form == Form::kEntityDecimal || form == Form::kEntityHexLower ||
         form == Form::kEntityHexUpper;
}
bool UpperHex(Form form) {
  return form == Form::kEscapeUpper || form == Form::kPercentUtf8Upper ||
         form == Form::kPercentGbkUpper || form == Form::kEntityHexUpper;
}

// What a reply must hold at all for the form to be worth a search.
std::string_view FormSign(Form form) {
  if (IsEscape(form)) return "\\u";
  if (IsPercent(form)) return "%";
  if (IsEntity(form)) return "&#";
  return {};
}

char HexDigit(std::uint32_t value, bool upper) {
  return (upper ? "0123456789ABCDEF" : "0123456789abcdef")[value & 0xF];
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// What encodeURIComponent leaves as it is.
bool KeptByPercent(unsigned char byte) {
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9') ||
         (byte != 0 &&
          std::string_view("-_.!~*'()").find(static_cast<char>(byte)) != std::string_view::npos);
}

Text InForm(const Text& keyword, Form form) {
  if (form == Form::kRaw) return keyword;
  const bool upper = UpperHex(form);
  Text out;
  if (IsPercent(form)) {
    for (const char c : IsPercentUtf8(form) ? Utf8FromGbk(keyword) : keyword) {
      const auto byte = static_cast<unsigned char>(c);
      if (KeptByPercent(byte)) {
        out += c;
        continue;
      }
      out += '%';
      out += HexDigit(byte >> 4, upper);
      out += HexDigit(byte, upper);
    }
    return out;
  }
  const std::u16string units = Utf16FromGbk(keyword);
  for (std::size_t i = 0; i < units.size(); ++i) {
    const std::uint32_t unit = units[i];
    if (unit < 0x80) {
      out += static_cast<char>(unit);
      continue;
    }
    if (IsEscape(form)) {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += HexDigit(unit >> shift, upper);
      continue;
    }
    // An entity names the code point, not its UTF-16 halves.
    std::uint32_t code = unit;
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000) {
      code = 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00u);
      ++i;
    }
    out += "&#";
    if (form == Form::kEntityDecimal) {
      out += std::to_string(code);
    } else {
      std::string hex;
      do {
        hex.insert(hex.begin(), HexDigit(code, upper));
        code >>= 4;
      } while (code != 0);
      out += 'x' + hex;
    }
    out += ';';
  }
  return out;
}

// Whether the form, decoded, gives the keyword back: bytes that are no GBK
// text would come back as "?".
bool Spellable(const Text& keyword, Form form) {
  if (form == Form::kRaw || (IsPercent(form) && !IsPercentUtf8(form))) return true;
  if (IsPercentUtf8(form)) return GbkFromUtf8(Utf8FromGbk(keyword)) == keyword;
  return GbkFromUtf16(Utf16FromGbk(keyword)) == keyword;
}

int CharCount(std::string_view gbk) {
  int count = 0;
  for (std::size_t at = 0; at < gbk.size(); at += CharLengthAt(gbk, at)) ++count;
  return count;
}

// Percent and entity forms are taken as they stand, yet a value is as long
// as the keyword it spells.
int ValueChars(std::string_view value, Form form) {
  if (IsPercent(form)) {
    std::string bytes;
    for (std::size_t at = 0; at < value.size();) {
      if (value[at] == '%' && at + 2 < value.size() && HexValue(value[at + 1]) >= 0 &&
          HexValue(value[at + 2]) >= 0) {
        bytes += static_cast<char>(HexValue(value[at + 1]) * 16 + HexValue(value[at + 2]));
        at += 3;
      } else {
        bytes += value[at++];
      }
    }
    if (!IsPercentUtf8(form)) return CharCount(bytes);
    return static_cast<int>(std::count_if(bytes.begin(), bytes.end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
  }
  if (IsEntity(form)) {
    int count = 0;
    for (std::size_t at = 0; at < value.size(); ++count) {
      const std::size_t close = value.substr(at, 2) == "&#" ? value.find(';', at) : at;
      if (close != std::string_view::npos && close > at && close - at <= 10) {
        at = close + 1;
      } else {
        at += CharLengthAt(value, at);
      }
    }
    return count;
  }
  return CharCount(value);
}

// Markup, a quote or a control character: a piece of the page's structure
// rather than a keyword. Only characters of their own count, since the
// second byte of a GBK character may be a brace.
bool HoldsMarkup(std::string_view value) {
  for (std::size_t at = 0; at < value.size(); at += CharLengthAt(value, at)) {
    const auto byte = static_cast<unsigned char>(value[at]);
    if (byte < 0x20 || byte == 0x7F ||
        std::string_view("<>{}\"").find(static_cast<char>(byte)) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

std::string Keywords(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " keyword" : " keywords");
}

struct Occurrence {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t keyword = 0;
};

struct Family {
  Form form = Form::kRaw;
  std::vector<Text> forms;  // each keyword as the form writes it
  std::unordered_map<Text, std::size_t> keyword_of;
  std::vector<Occurrence> occurrences;  // in reply order, none inside another
};

struct Candidate {
  RecipeCut cut;
  const Family* family = nullptr;  // none for a JSON cut
  std::vector<Occurrence> induced;
  std::vector<std::size_t> keywords;  // distinct, in reply order
  // A list's run of values, whose markers are found when it is checked;
  // for an items cut, the region a `within` would narrow the reply to.
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t bytes = 0;  // markers, split and section together
};

struct Verdict {
  std::string fault;  // empty: passed
  std::vector<Text> takes;
  std::size_t known = 0;  // distinct known keywords among them
  // The keywords of every occurrence the cut takes as it stands, all as
  // good a ground for it as those it was built from; in reply order.
  std::vector<std::size_t> stands_on;
};

Verdict Failed(std::string why) {
  Verdict verdict;
  verdict.fault = std::move(why);
  return verdict;
}

std::size_t MarkerBytes(const RecipeCut& cut) {
  std::size_t bytes = cut.markers.left.size() + cut.markers.right.size() + cut.split.size();
  if (cut.within) bytes += cut.within->left.size() + cut.within->right.size();
  return bytes;
}

Text CutKey(const RecipeCut& cut) {
  Text key = std::to_string(static_cast<int>(cut.kind)) + (cut.unescape ? "u" : "-");
  for (const Text* part : {&cut.markers.left, &cut.markers.right, &cut.split}) {
    key += '\0' + *part;
  }
  if (cut.within) key += '\0' + cut.within->left + '\0' + cut.within->right;
  for (const JsonStep& step : cut.json) {
    key += '\0' + step.name + std::to_string(static_cast<int>(step.kind));
  }
  return key;
}

class Inducer {
 public:
  Inducer(const Text& reply, const std::vector<Text>& known) : reply_(reply), given_(known.size()) {
    for (const Text& keyword : known) {
      if (keyword.empty() || keywords_.size() == kMaxKnown) continue;
      if (raw_keyword_.emplace(keyword, keywords_.size()).second) keywords_.push_back(keyword);
    }
    boundary_.assign(reply_.size() + 1, false);
    for (std::size_t at = 0; at < reply_.size(); at += CharLengthAt(reply_, at)) {
      boundary_[at] = true;
    }
    boundary_[reply_.size()] = true;
    passes_left_ = std::clamp(2 * static_cast<long long>(keywords_.size()), kMinPasses, kMaxPasses);
  }

  CutSuggestion Run() {
    CutSuggestion suggestion;
    // Positions are ints throughout the text commands.
    if (reply_.size() > static_cast<std::size_t>(std::numeric_limits<int>::max() / 2)) {
      suggestion.reason = "the reply is too large to search";
      return suggestion;
    }
    found_.assign(keywords_.size(), false);
    std::vector<Candidate> candidates;
    JsonCandidates(candidates);
    FindFamilies();
    const std::size_t found =
        static_cast<std::size_t>(std::count(found_.begin(), found_.end(), true));
    if (found < kNeeded) {
      suggestion.reason = TooFew(found);
      return suggestion;
    }
    for (const Family& family : families_) {
      ItemsCandidates(family, candidates);
      ListCandidates(family, candidates);
    }
    if (candidates.empty()) {
      suggestion.reason = Found(found) + ", but no " + std::to_string(kNeeded) +
                          " of them in one form share the text around them";
      return suggestion;
    }
    return Choose(std::move(candidates), found);
  }

 private:
  std::string TooFew(std::size_t found) const {
    const std::string needed = " (" + std::to_string(kNeeded) + " needed)";
    if (given_ < kNeeded) return "other sources found only " + Keywords(given_) + needed;
    if (found == 0) {
      return "none of the " + Keywords(given_) + " other sources found is in the reply" + needed;
    }
    return "only " + std::to_string(found) + " of the " + Keywords(given_) +
           " other sources found " + (found == 1 ? "is" : "are") + " in the reply" + needed;
  }

  std::string Found(std::size_t found) const {
    return std::to_string(found) + " of the " + Keywords(given_) + " other sources found " +
           (found == 1 ? "is" : "are") + " in the reply";
  }

  bool Spend(long long passes) {
    if (passes_left_ < passes) return false;
    passes_left_ -= passes;
    return true;
  }

  // ---- finding the keywords ----

  void FindFamilies() {
    std::vector<std::vector<Text>> seen;
    for (const Form form : kForms) {
      Family family;
      family.form = form;
      bool differs = false;
      for (const Text& keyword : keywords_) {
        family.forms.push_back(Spellable(keyword, form) ? InForm(keyword, form) : Text());
        differs = differs || family.forms.back() != keyword;
      }
      // A form that writes every keyword as another form does finds
      // nothing new.
      if (form != Form::kRaw && (!differs || reply_.find(FormSign(form)) == Text::npos)) continue;
      if (std::find(seen.begin(), seen.end(), family.forms) != seen.end()) continue;
      seen.push_back(family.forms);
      for (std::size_t k = 0; k < keywords_.size(); ++k) {
        if (!family.forms[k].empty()) family.keyword_of.emplace(family.forms[k], k);
      }
      if (Find(family)) families_.push_back(std::move(family));
    }
  }

  // False when the form holds too few keywords to induce from.
  bool Find(Family& family) {
    std::vector<Occurrence>& found = family.occurrences;
    for (std::size_t k = 0; k < keywords_.size(); ++k) {
      const Text& form = family.forms[k];
      if (form.empty()) continue;
      int from = 1;
      for (std::size_t count = 0; count < kMaxPerKeyword; ++count) {
        const int at = FindText(reply_, form, from);
        if (at < 0) break;
        const auto begin = static_cast<std::size_t>(at - 1);
        found.push_back({begin, begin + form.size(), k});
        from = at + static_cast<int>(form.size());
      }
    }
    // A keyword inside a longer one is part of that one's value.
    std::sort(found.begin(), found.end(), [](const Occurrence& a, const Occurrence& b) {
      return a.begin != b.begin ? a.begin < b.begin : a.end > b.end;
    });
    std::vector<Occurrence> kept;
    std::size_t reach = 0;
    for (const Occurrence& occurrence : found) {
      if (!kept.empty() && occurrence.end <= reach) continue;
      kept.push_back(occurrence);
      reach = std::max(reach, occurrence.end);
    }
    if (kept.size() > kMaxOccurrences) {
      // Each keyword's first place before any keyword's second, so that a
      // few words repeated all over the page cannot crowd the rest out.
      std::vector<std::size_t> seen(keywords_.size(), 0);
      std::vector<std::pair<std::size_t, std::size_t>> ranked;  // rank, index
      for (std::size_t i = 0; i < kept.size(); ++i) {
        ranked.emplace_back(seen[kept[i].keyword]++, i);
      }
      std::sort(ranked.begin(), ranked.end());
      ranked.resize(kMaxOccurrences);
      std::sort(ranked.begin(), ranked.end(),
                [](const auto& a, const auto& b) { return a.second < b.second; });
      std::vector<Occurrence> chosen;
      for (const auto& [rank, index] : ranked) chosen.push_back(kept[index]);
      kept = std::move(chosen);
    }
    found = std::move(kept);
    std::vector<bool> here(keywords_.size(), false);
    for (const Occurrence& occurrence : found) {
      here[occurrence.keyword] = true;
      found_[occurrence.keyword] = true;
    }
    return static_cast<std::size_t>(std::count(here.begin(), here.end(), true)) >= kNeeded;
  }

  // Distinct keywords of the occurrences, in reply order.
  std::vector<std::size_t> DistinctKeywords(const std::vector<Occurrence>& occurrences) const {
    std::vector<std::size_t> keywords;
    std::unordered_set<std::size_t> seen;
    for (const Occurrence& occurrence : occurrences) {
      if (seen.insert(occurrence.keyword).second) keywords.push_back(occurrence.keyword);
    }
    return keywords;
  }

  // ---- inducing ----

  // An ASCII letter or digit that is a character of its own, not the second
  // byte of a GBK one.
  bool WordCharAt(std::size_t at) const {
    if (at >= reply_.size() || !boundary_[at] || !boundary_[at + 1]) return false;
    const auto byte = static_cast<unsigned char>(reply_[at]);
    return (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') ||
           (byte >= 'A' && byte <= 'Z');
  }

  std::size_t LeftShare(const Occurrence& a, const Occurrence& b) const {
    std::size_t n = 0;
    while (n < kMaxMarker && n < a.begin && n < b.begin &&
           reply_[a.begin - 1 - n] == reply_[b.begin - 1 - n]) {
      ++n;
    }
    return n;
  }

  std::size_t RightShare(const Occurrence& a, const Occurrence& b) const {
    std::size_t n = 0;
    while (n < kMaxMarker && a.end + n < reply_.size() && b.end + n < reply_.size() &&
           reply_[a.end + n] == reply_[b.end + n]) {
      ++n;
    }
    return n;
  }

  // The distinct share lengths of one pivot, ascending; when there are too
  // many, a spread of them that keeps both ends.
  static std::vector<std::size_t> Thresholds(const std::vector<std::uint8_t>& shares) {
    std::vector<std::size_t> values;
    for (const std::uint8_t share : shares) {
      if (share > 0) values.push_back(share);
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    if (values.size() <= kMaxThresholds) return values;
    std::vector<std::size_t> spread;
    for (std::size_t i = 0; i < kMaxThresholds; ++i) {
      spread.push_back(values[i * (values.size() - 1) / (kMaxThresholds - 1)]);
    }
    return spread;
  }

  // For each occurrence as a pivot, the occurrences sharing at least so
  // much text before and after it: the larger structure a keyword belongs
  // to is among these however many of the keywords also stand elsewhere.
  void ItemsCandidates(const Family& family, std::vector<Candidate>& candidates) const {
    const std::vector<Occurrence>& all = family.occurrences;
    const std::size_t m = all.size();
    std::vector<std::vector<std::uint8_t>> left(m, std::vector<std::uint8_t>(m));
    std::vector<std::vector<std::uint8_t>> right = left;
    for (std::size_t i = 0; i < m; ++i) {
      for (std::size_t j = i; j < m; ++j) {
        left[i][j] = left[j][i] = static_cast<std::uint8_t>(LeftShare(all[i], all[j]));
        right[i][j] = right[j][i] = static_cast<std::uint8_t>(RightShare(all[i], all[j]));
      }
    }
    std::unordered_set<Members> tried;
    // One candidate per pair of markers, the one with the most members;
    // kept in the order first found, so that ties break the same way on
    // every run.
    std::vector<Candidate> found;
    std::unordered_map<Text, std::size_t> by_markers;
    std::vector<std::size_t> stamp(keywords_.size(), 0);
    std::size_t round = 0;
    for (std::size_t p = 0; p < m; ++p) {
      const std::vector<std::size_t> lefts = Thresholds(left[p]);
      const std::vector<std::size_t> rights = Thresholds(right[p]);
      for (const std::size_t a : lefts) {
        bool any = false;
        for (const std::size_t b : rights) {
          Members members;
          std::size_t distinct = 0;
          ++round;
          for (std::size_t o = 0; o < m; ++o) {
            if (left[p][o] < a || right[p][o] < b) continue;
            members.set(o);
            if (stamp[all[o].keyword] != round) {
              stamp[all[o].keyword] = round;
              ++distinct;
            }
          }
          // Higher thresholds only take members away.
          if (distinct < kNeeded) break;
          any = true;
          if (tried.size() == kMaxSubsets) break;
          if (!tried.insert(members).second) continue;
          AddItems(family, p, members, left, right, found, by_markers);
        }
        if (!any) break;
      }
    }
    std::move(found.begin(), found.end(), std::back_inserter(candidates));
  }

  void AddItems(const Family& family, std::size_t pivot, const Members& members,
                const std::vector<std::vector<std::uint8_t>>& left,
                const std::vector<std::vector<std::uint8_t>>& right, std::vector<Candidate>& found,
                std::unordered_map<Text, std::size_t>& by_markers) const {
    const std::vector<Occurrence>& all = family.occurrences;
    std::vector<Occurrence> induced;
    std::size_t left_size = kMaxMarker;
    std::size_t right_size = kMaxMarker;
    for (std::size_t o = 0; o < all.size(); ++o) {
      if (!members.test(o)) continue;
      induced.push_back(all[o]);
      left_size = std::min<std::size_t>(left_size, left[pivot][o]);
      right_size = std::min<std::size_t>(right_size, right[pivot][o]);
    }
    // Between two neighbouring values each marker must leave room for the
    // other: a right marker that spans the whole gap holds the next left
    // one, as "</li><li>" does between items that are all known. Cut back,
    // to a tag's edge where there is one: "</li>" and "<li>".
    std::size_t gap = std::numeric_limits<std::size_t>::max();
    for (std::size_t i = 0; i + 1 < induced.size(); ++i) {
      if (induced[i + 1].begin <= induced[i].end) return;
      gap = std::min(gap, induced[i + 1].begin - induced[i].end);
    }
    if (right_size >= gap) {
      const std::string_view after = std::string_view(reply_).substr(all[pivot].end, gap - 1);
      const std::size_t tag_end = after.rfind('>');
      right_size = tag_end == std::string_view::npos ? gap - 1 : tag_end + 1;
    }
    if (left_size >= gap) {
      const std::string_view before =
          std::string_view(reply_).substr(all[pivot].begin - (gap - 1), gap - 1);
      const std::size_t tag_start = before.find('<');
      left_size = tag_start == std::string_view::npos ? gap - 1 : gap - 1 - tag_start;
    }
    // A marker begins and ends on a character in every place it stands.
    const auto starts_badly = [&](std::size_t size) {
      return std::any_of(induced.begin(), induced.end(),
                         [&](const Occurrence& o) { return !boundary_[o.begin - size]; });
    };
    const auto ends_badly = [&](std::size_t size) {
      return std::any_of(induced.begin(), induced.end(),
                         [&](const Occurrence& o) { return !boundary_[o.end + size]; });
    };
    // Nor does it cut a word or number in two: what the occurrences agree
    // on beyond that edge is chance (counts that all begin with "1").
    const auto starts_in_word = [&](std::size_t size) {
      return WordCharAt(induced.front().begin - size) &&
             std::any_of(induced.begin(), induced.end(), [&](const Occurrence& o) {
               return o.begin > size && WordCharAt(o.begin - size - 1);
             });
    };
    const auto ends_in_word = [&](std::size_t size) {
      return WordCharAt(induced.front().end + size - 1) &&
             std::any_of(induced.begin(), induced.end(),
                         [&](const Occurrence& o) { return WordCharAt(o.end + size); });
    };
    while (left_size > 0 && (starts_badly(left_size) || starts_in_word(left_size))) --left_size;
    while (right_size > 0 && (ends_badly(right_size) || ends_in_word(right_size))) --right_size;
    if (left_size == 0 || right_size == 0) return;
    const Occurrence& at = all[pivot];
    Candidate candidate;
    candidate.cut.kind = RecipeCut::Kind::kItems;
    candidate.cut.markers = {reply_.substr(at.begin - left_size, left_size),
                             reply_.substr(at.end, right_size)};
    candidate.cut.unescape = IsEscape(family.form);
    candidate.family = &family;
    candidate.keywords = DistinctKeywords(induced);
    candidate.begin = induced.front().begin - left_size;
    candidate.end = induced.back().end + right_size;
    candidate.bytes = left_size + right_size;
    candidate.induced = std::move(induced);
    const Text key = candidate.cut.markers.left + '\0' + candidate.cut.markers.right;
    const auto [at_key, added] = by_markers.try_emplace(key, found.size());
    if (added) {
      found.push_back(std::move(candidate));
    } else if (candidate.induced.size() > found[at_key->second].induced.size()) {
      found[at_key->second] = std::move(candidate);
    }
  }

  // Runs of consecutive occurrences that one separator joins, unknown
  // values between known ones allowed: a list cut each, its markers found
  // when it is checked.
  void ListCandidates(const Family& family, std::vector<Candidate>& candidates) const {
    const std::vector<Occurrence>& all = family.occurrences;
    const auto gap = [&](std::size_t i) -> std::string_view {
      if (all[i + 1].begin <= all[i].end) return {};
      return std::string_view(reply_).substr(all[i].end, all[i + 1].begin - all[i].end);
    };
    const auto joins = [&](std::size_t i, std::string_view split) {
      const std::string_view between = gap(i);
      if (between == split) return true;
      return between.size() > 2 * split.size() && between.substr(0, split.size()) == split &&
             between.substr(between.size() - split.size()) == split;
    };
    for (std::size_t i = 0; i + 1 < all.size(); ++i) {
      const std::string_view split = gap(i);
      if (split.empty() || split.size() > kMaxMarker) continue;
      if (i > 0 && joins(i - 1, split)) continue;  // inside a run already tried
      std::size_t last = i + 1;
      while (last + 1 < all.size() && joins(last, split)) ++last;
      std::vector<Occurrence> run(all.begin() + static_cast<std::ptrdiff_t>(i),
                                  all.begin() + static_cast<std::ptrdiff_t>(last) + 1);
      std::vector<std::size_t> keywords = DistinctKeywords(run);
      if (keywords.size() < kNeeded) continue;
      Candidate candidate;
      candidate.cut.kind = RecipeCut::Kind::kList;
      candidate.cut.split = Text(split);
      candidate.cut.unescape = IsEscape(family.form);
      candidate.family = &family;
      candidate.keywords = std::move(keywords);
      candidate.begin = run.front().begin;
      candidate.end = run.back().end;
      ExtendRun(split, family.form, candidate.begin, candidate.end);
      candidate.bytes = split.size();
      candidate.induced = std::move(run);
      candidates.push_back(std::move(candidate));
    }
  }

  // A list rarely starts and ends with a keyword another source found: the
  // run goes on over values nobody knew, as long as the separator joins
  // them and they look like keywords. A value ends at the separator or at
  // its first byte (the closing quote of `","`, the tag of `</li><li>`).
  void ExtendRun(std::string_view split, Form form, std::size_t& begin, std::size_t& end) const {
    const std::string_view text = reply_;
    const auto keyword_like = [&](std::string_view value) {
      return !value.empty() && !HoldsMarkup(value) && ValueChars(value, form) <= kMaxValueChars;
    };
    for (int values = 0; values < 1024 && text.substr(end).starts_with(split); ++values) {
      const std::size_t from = end + split.size();
      const std::size_t to = std::min(text.find(split, from), text.find(split.front(), from));
      if (to == std::string_view::npos || !keyword_like(text.substr(from, to - from))) break;
      end = to;
    }
    for (int values = 0;
         values < 1024 && begin >= split.size() && text.substr(0, begin).ends_with(split);
         ++values) {
      const std::size_t to = begin - split.size();
      const std::size_t after_split = text.rfind(split, to == 0 ? 0 : to - 1);
      const std::size_t after_last = text.rfind(split.back(), to == 0 ? 0 : to - 1);
      std::size_t from = 0;
      if (after_split != std::string_view::npos && after_split < to) {
        from = after_split + split.size();
      }
      if (after_last != std::string_view::npos && after_last < to) {
        from = std::max(from, after_last + 1);
      }
      if (to == 0 || !keyword_like(text.substr(from, to - from))) break;
      begin = from;
    }
  }

  // Only for a JSON or JSONP reply, whose first "{" or "[" opens the value:
  // a script's object literal ({q:"a",s:[...]}) holds arrays that parse,
  // but a path into them stands on whatever happens to come first.
  void JsonCandidates(std::vector<Candidate>& candidates) {
    const std::string utf8 = Utf8FromGbk(reply_);
    std::size_t start = std::string::npos;
    const auto strings = JsonStrings(utf8, &start);
    if (start != utf8.find_first_of("{[")) return;
    std::vector<std::string> paths;
    std::unordered_map<std::string, std::vector<std::size_t>> keywords_at;
    for (const auto& [path, text] : strings) {
      const auto known = raw_keyword_.find(Utf8ToGbk(text));
      if (known == raw_keyword_.end()) continue;
      found_[known->second] = true;
      auto [at, added] = keywords_at.try_emplace(path);
      if (added) paths.push_back(path);
      if (std::find(at->second.begin(), at->second.end(), known->second) == at->second.end()) {
        at->second.push_back(known->second);
      }
    }
    for (const std::string& path : paths) {
      std::vector<std::size_t>& keywords = keywords_at[path];
      std::string error;
      const std::optional<std::vector<JsonStep>> steps = ParseJsonPath(path, error);
      if (keywords.size() < kNeeded || !steps) continue;
      Candidate candidate;
      candidate.cut.kind = RecipeCut::Kind::kJson;
      candidate.cut.json = *steps;
      candidate.keywords = std::move(keywords);
      candidates.push_back(std::move(candidate));
    }
  }

  // The shortest texts before `begin` and after `end` that make TextBetween
  // give exactly the text between, neither cutting a word in two. A longer
  // text ending at `begin` cannot be found earlier when a shorter one is
  // not, so the lengths are searched by halves.
  std::optional<MarkerPair> Around(std::size_t begin, std::size_t end) {
    std::vector<std::size_t> heads;
    for (std::size_t size = 1; size <= std::min(kMaxMarker, begin); ++size) {
      const std::size_t at = begin - size;
      if (boundary_[at] && !(at > 0 && WordCharAt(at) && WordCharAt(at - 1))) heads.push_back(size);
    }
    std::vector<std::size_t> tails;
    for (std::size_t size = 1; size <= std::min(kMaxMarker, reply_.size() - end); ++size) {
      const std::size_t at = end + size;
      if (boundary_[at] && !(WordCharAt(at - 1) && WordCharAt(at))) tails.push_back(size);
    }
    const auto head_holds = [&](std::size_t size) {
      return FindText(reply_, std::string_view(reply_).substr(begin - size, size)) ==
             static_cast<int>(begin - size) + 1;
    };
    const auto tail_holds = [&](std::size_t size) {
      return FindText(reply_, std::string_view(reply_).substr(end, size),
                      static_cast<int>(begin) + 1) == static_cast<int>(end) + 1;
    };
    const std::optional<std::size_t> head = Shortest(heads, head_holds);
    if (!head) return std::nullopt;
    const std::optional<std::size_t> tail = Shortest(tails, tail_holds);
    if (!tail) return std::nullopt;
    return MarkerPair{reply_.substr(begin - *head, *head), reply_.substr(end, *tail)};
  }

  template <typename Holds>
  std::optional<std::size_t> Shortest(const std::vector<std::size_t>& sizes, Holds holds) {
    if (sizes.empty() || !Spend(1) || !holds(sizes.back())) return std::nullopt;
    std::size_t low = 0;
    std::size_t high = sizes.size() - 1;  // holds
    while (low < high) {
      const std::size_t middle = (low + high) / 2;
      if (!Spend(1)) return std::nullopt;
      if (holds(sizes[middle])) {
        high = middle;
      } else {
        low = middle + 1;
      }
    }
    return sizes[high];
  }

  // ---- checking, by cutting as the recipe runner cuts ----

  struct Piece {
    std::size_t begin;  // of the value, in the reply
    std::size_t end;
  };

  Verdict Check(const Candidate& candidate) {
    const RecipeCut& cut = candidate.cut;
    for (const Text* marker : {&cut.markers.left, &cut.markers.right}) {
      if (FindText(*marker, kQuotePlaceholder) != -1) {
        return Failed("a marker holds the stand-in for a double quote");
      }
    }
    if (cut.within && (FindText(cut.within->left, kQuotePlaceholder) != -1 ||
                       FindText(cut.within->right, kQuotePlaceholder) != -1)) {
      return Failed("a marker holds the stand-in for a double quote");
    }
    switch (cut.kind) {
      case RecipeCut::Kind::kJson: return CheckJson(candidate);
      case RecipeCut::Kind::kList: return CheckList(candidate);
      case RecipeCut::Kind::kItems: break;
    }
    return CheckItems(candidate);
  }

  Verdict CheckItems(const Candidate& candidate) {
    const RecipeCut& cut = candidate.cut;
    const Text& left = cut.markers.left;
    const Text& right = cut.markers.right;
    Text section;
    std::string_view text = reply_;
    std::size_t base = 0;
    if (cut.within) {
      section = TextBetween(reply_, cut.within->left, cut.within->right);
      const int head = FindText(reply_, cut.within->left);
      if (section.empty() || head < 0) return Failed("its section is empty");
      base = static_cast<std::size_t>(head - 1) + cut.within->left.size();
      text = section;
    }
    TextList values;
    TextBetweenAll(text, left, right, values);
    // Where each value stands, by the same searches TextBetweenAll makes.
    std::vector<Piece> pieces;
    std::size_t right_end = 0;
    int search = 0;
    for (;;) {
      const int left_at = FindText(text, left, search);
      if (left_at == -1) break;
      const int piece_start = left_at + static_cast<int>(left.size());
      const int right_at = FindText(text, right, piece_start);
      if (right_at == -1) break;
      const auto begin = static_cast<std::size_t>(piece_start - 1);
      // The walk goes on right behind the left marker, so a left marker
      // that ends within the right one before it takes what lies between
      // two values. One reaching back into it ("</li>" then ">\n<li>") is
      // fine.
      if (!pieces.empty() && begin <= right_end) {
        return Failed("a left marker lies within the right marker before it");
      }
      right_end = static_cast<std::size_t>(right_at - 1) + right.size();
      pieces.push_back({base + begin, base + static_cast<std::size_t>(right_at - 1)});
      search = piece_start;
    }
    if (pieces.size() != values.size()) return Failed("its values cannot be placed");
    std::vector<std::string_view> raw(values.begin(), values.end());
    std::vector<Text> takes;
    Text appended;
    for (const Text& value : values) {
      const Text line = cut.unescape ? UnescapeUnicode(value + "\r\n") : value + "\r\n";
      appended += line;
      if (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0) {
        return Failed("a value does not unescape to one line");
      }
      takes.push_back(line.substr(0, line.size() - 2));
    }
    std::vector<std::string_view> markers = {left, right};
    if (cut.within) markers.insert(markers.end(), {cut.within->left, cut.within->right});
    return Judge(candidate, raw, pieces, std::move(takes), appended, markers);
  }

  Verdict CheckList(const Candidate& candidate) {
    const RecipeCut& cut = candidate.cut;
    const Text list = TextBetween(reply_, cut.markers.left, cut.markers.right);
    const int left_at = FindText(reply_, cut.markers.left);
    if (list.empty() || left_at < 0) return Failed("its list is empty");
    const std::size_t base = static_cast<std::size_t>(left_at - 1) + cut.markers.left.size();
    const std::vector<std::string_view> raw = SplitTextViews(list, cut.split);
    std::vector<Piece> pieces;
    for (const std::string_view value : raw) {
      const auto begin = base + static_cast<std::size_t>(value.data() - list.data());
      pieces.push_back({begin, begin + value.size()});
    }
    // The runner appends the list as one block, unescaped as a whole.
    const Text block = ReplaceText(list, cut.split, "\r\n");
    const Text appended = cut.unescape ? UnescapeUnicode(block + "\r\n") : block + "\r\n";
    std::vector<Text> takes;
    if (appended.size() >= 2) {
      takes = SplitText(std::string_view(appended).substr(0, appended.size() - 2), "\r\n");
    }
    if (takes.size() != raw.size()) return Failed("its values do not unescape one to one");
    return Judge(candidate, raw, pieces, std::move(takes), appended,
                 {cut.markers.left, cut.markers.right, cut.split});
  }

  Verdict CheckJson(const Candidate& candidate) {
    std::vector<Text> takes;
    Text appended;
    for (const std::string& picked : JsonCut(Utf8FromGbk(reply_), candidate.cut.json)) {
      // The runner would pass an empty string by without a word.
      if (picked.empty()) return Failed("it takes an empty value");
      takes.push_back(Utf8ToGbk(picked));
      appended += takes.back() + "\r\n";
    }
    std::vector<std::string_view> raw(takes.begin(), takes.end());
    return Judge(candidate, raw, {}, takes, appended, {});
  }

  // The checks every kind of cut shares; `pieces` (marker cuts) say where
  // each raw value stands in the reply.
  Verdict Judge(const Candidate& candidate, const std::vector<std::string_view>& raw,
                const std::vector<Piece>& pieces, std::vector<Text> takes, const Text& appended,
                const std::vector<std::string_view>& markers) const {
    Verdict verdict;
    if (takes.empty()) {
      verdict.fault = "it takes nothing";
      return verdict;
    }
    Text joined;
    for (const Text& take : takes) joined += take + "\r\n";
    if (joined != appended) {
      verdict.fault = "its values do not come out one per line";
      return verdict;
    }
    const Form form = candidate.family ? candidate.family->form : Form::kRaw;
    std::unordered_set<std::size_t> known;
    for (std::size_t i = 0; i < takes.size(); ++i) {
      if (raw[i].empty() || takes[i].empty()) {
        verdict.fault = "it takes an empty value";
        return verdict;
      }
      if (HoldsMarkup(raw[i]) || HoldsMarkup(takes[i])) {
        verdict.fault = "a value it takes holds markup";
        return verdict;
      }
      for (const std::string_view marker : markers) {
        if (FindText(raw[i], marker) != -1) {
          verdict.fault = "a marker occurs inside a value";
          return verdict;
        }
      }
      if (ValueChars(takes[i], form) > kMaxValueChars) {
        verdict.fault = "a value is longer than " + std::to_string(kMaxValueChars) + " characters";
        return verdict;
      }
      // Decoded forms are recognised decoded, the others as they stand.
      const bool decoded = !candidate.family || IsEscape(form);
      const auto& table = decoded ? raw_keyword_ : candidate.family->keyword_of;
      const auto keyword = table.find(decoded ? takes[i] : Text(raw[i]));
      if (keyword != table.end()) known.insert(keyword->second);
    }
    if (candidate.family) {
      const auto taken = [&](const Occurrence& occurrence) {
        const auto piece =
            std::lower_bound(pieces.begin(), pieces.end(), occurrence.begin,
                             [](const Piece& p, std::size_t begin) { return p.begin < begin; });
        return piece != pieces.end() && piece->begin == occurrence.begin &&
               piece->end == occurrence.end;
      };
      if (!std::all_of(candidate.induced.begin(), candidate.induced.end(), taken)) {
        verdict.fault = "it misses a keyword it was induced from";
        return verdict;
      }
      std::vector<Occurrence> stands_on;
      std::copy_if(candidate.family->occurrences.begin(), candidate.family->occurrences.end(),
                   std::back_inserter(stands_on), taken);
      verdict.stands_on = DistinctKeywords(stands_on);
    } else {
      verdict.stands_on = candidate.keywords;
      for (const std::size_t keyword : candidate.keywords) {
        if (!known.contains(keyword)) {
          verdict.fault = "it misses a keyword it was induced from";
          return verdict;
        }
      }
    }
    verdict.takes = std::move(takes);
    verdict.known = known.size();
    return verdict;
  }

  // ---- choosing ----

  // Where a `within` may begin and end: the item region widened to the
  // nearest tag edges first, so that the section's markers are page
  // structure rather than the first or last item's data (its count, say);
  // then the region exactly.
  std::vector<std::pair<std::size_t, std::size_t>> SectionsFor(const Candidate& candidate) const {
    std::size_t begin = candidate.begin;
    for (std::size_t at = candidate.begin; at > 0 && candidate.begin - at < kMaxMarker; --at) {
      if (reply_[at - 1] == '>' && boundary_[at - 1]) {
        begin = at;
        break;
      }
    }
    std::size_t end = candidate.end;
    for (std::size_t at = candidate.end; at < reply_.size() && at - candidate.end < kMaxMarker;
         ++at) {
      if (reply_[at] == '<' && boundary_[at]) {
        end = at;
        break;
      }
    }
    std::vector<std::pair<std::size_t, std::size_t>> sections = {{begin, end}};
    if (begin != candidate.begin || end != candidate.end) {
      sections.emplace_back(candidate.begin, candidate.end);
    }
    return sections;
  }

  static bool Better(const Verdict& a, const Candidate& a_cut, const Verdict& b,
                     const Candidate& b_cut) {
    if (a.known != b.known) return a.known > b.known;
    if (a_cut.bytes != b_cut.bytes) return a_cut.bytes < b_cut.bytes;
    return a.takes.size() < b.takes.size();
  }

  CutSuggestion Choose(std::vector<Candidate> candidates, std::size_t found) {
    // Most evidence first, so that a budget running out leaves the weakest
    // unchecked; a path before markers, since it survives reordered keys
    // and changed escapes.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) {
                       if (a.keywords.size() != b.keywords.size()) {
                         return a.keywords.size() > b.keywords.size();
                       }
                       return a.bytes < b.bytes;
                     });
    std::unordered_set<Text> checked;
    std::optional<std::pair<Candidate, Verdict>> best;
    std::string first_fault;
    for (Candidate& candidate : candidates) {
      if (candidate.cut.kind == RecipeCut::Kind::kList) {
        const std::optional<MarkerPair> markers = Around(candidate.begin, candidate.end);
        if (!markers) {
          if (first_fault.empty()) first_fault = "no markers single out the list";
          continue;
        }
        candidate.cut.markers = *markers;
        candidate.bytes = MarkerBytes(candidate.cut);
      }
      if (!checked.insert(CutKey(candidate.cut)).second) continue;
      if (!Spend(3)) break;
      Verdict verdict = Check(candidate);
      // Markers that also match outside the keywords' region: the same
      // markers, within that region only.
      if (!verdict.fault.empty() && candidate.cut.kind == RecipeCut::Kind::kItems) {
        for (const auto& [begin, end] : SectionsFor(candidate)) {
          const std::optional<MarkerPair> within = Around(begin, end);
          if (!within) continue;
          Candidate narrowed = candidate;
          narrowed.cut.within = *within;
          narrowed.bytes = MarkerBytes(narrowed.cut);
          if (!checked.insert(CutKey(narrowed.cut)).second || !Spend(3)) continue;
          Verdict narrowed_verdict = Check(narrowed);
          if (narrowed_verdict.fault.empty()) {
            candidate = std::move(narrowed);
            verdict = std::move(narrowed_verdict);
            break;
          }
        }
      }
      if (!verdict.fault.empty()) {
        if (first_fault.empty()) first_fault = verdict.fault;
        continue;
      }
      if (!best || Better(verdict, candidate, best->second, best->first)) {
        best.emplace(std::move(candidate), std::move(verdict));
      }
    }
    CutSuggestion suggestion;
    if (!best) {
      suggestion.reason = Found(found) + ", but no cut induced from them passed the checks (" +
                          (first_fault.empty() ? "the search ran out of time" : first_fault) + ")";
      return suggestion;
    }
    suggestion.cut = std::move(best->first.cut);
    suggestion.takes = std::move(best->second.takes);
    for (const std::size_t keyword : best->second.stands_on) {
      suggestion.induced_from.push_back(keywords_[keyword]);
    }
    return suggestion;
  }

  const Text& reply_;
  const std::size_t given_;
  std::vector<Text> keywords_;
  std::unordered_map<Text, std::size_t> raw_keyword_;
  std::vector<bool> boundary_;
  std::vector<bool> found_;
  std::vector<Family> families_;
  long long passes_left_ = 0;
};

}  // namespace

CutSuggestion SuggestCut(const Text& reply, const std::vector<Text>& known) {
  return Inducer(reply, known).Run();
}

}  // namespace kestrilo
