#pragma once

// A regular expression over UTF-8 text for the command line's keyword
// filters (PCRE2 stays inside this folder).

#include <memory>
#include <string>
#include <string_view>

namespace kestrilo {

class PatternMatch {
 public:
  // Compiles `pattern` (UTF-8). On failure `Valid()` is false and `Error()`
  // says why, with the character position where it went wrong.
  PatternMatch(std::string_view pattern, bool ignore_case);
  ~PatternMatch();
  PatternMatch(PatternMatch&&) noexcept;
  PatternMatch& operator=(PatternMatch&&) noexcept;

  bool Valid() const { return code_ != nullptr; }
  const std::string& Error() const { return error_; }
  // True when the pattern matches somewhere in `text` (UTF-8). A text that
  // is not UTF-8, or a match that runs out of its limits, is no match.
  bool Finds(std::string_view text) const;

 private:
  struct Code;
  std::unique_ptr<Code> code_;
  std::string error_;
};

}  // namespace kestrilo
