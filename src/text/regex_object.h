#pragma once

// A regular-expression search over GBK text, run by the "VBScript.RegExp"
// automation class: Create compiles a pattern and searches a subject once;
// the other calls read that search's matches and capture groups or replace
// the matches. The class is driven by member name only, so this folder never
// sees the engine behind it.
//
// Match and sub-match numbers count from 1. Nothing is reported: a pattern
// the class rejects, a match or group that does not exist, or a call before
// Create gives an empty text or 0.
//
// Copies share the platform objects and so the last search's results.

#include <optional>
#include <string_view>

#include "runtime/types.h"
#include "runtime/variant.h"

namespace kestrilo {

class RegexObject {
 public:
  RegexObject();

  // Defaults: letter case ignored, "^" and "$" at line breaks, every match.
  // With `quote_placeholder` each "#引号" in the pattern stands for a double
  // quote. True when the search produced a match collection, which it also
  // does when nothing matched; false when the pattern was rejected.
  bool Create(std::string_view pattern, std::string_view subject,
              std::optional<bool> case_sensitive = {}, std::optional<bool> multi_line = {},
              std::optional<bool> global = {}, std::optional<bool> quote_placeholder = {});

  // Empty before the first Create.
  Text GetPattern() const;
  // "$1", "$&" and the like refer to the match and its groups.
  Text ReplaceMatches(std::string_view replacement) const;
  int MatchCount() const;
  // Number of capture groups, read from match 1 (0 when there is none).
  int SubMatchCount() const;

  // With `want_position`, `position` receives the 0-based byte offset of the
  // match in the subject, or -1 when there is no such match; otherwise it is
  // left alone.
  Text MatchText(int match_no, int& position, std::optional<bool> want_position = {}) const;
  // A group that took no part in the match gives an empty text and position
  // -1. The class reports no offsets for groups, so the position is that of
  // the first occurrence of the group's text at or behind the start of its
  // match -- which can be an earlier copy of the same text inside the match.
  Text SubMatchText(int match_no, int sub_no, int& position,
                    std::optional<bool> want_position = {}) const;

 private:
  int PositionInSubject(const ObjectRef& match, std::string_view text) const;

  ObjectRef reg_exp_;
  ObjectRef matches_;
  Variant subject_;
};

}  // namespace kestrilo
