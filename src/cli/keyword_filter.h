#pragma once

// --include and --exclude: a keyword is kept when it matches every include
// pattern and no exclude pattern.

#include <optional>
#include <string>
#include <vector>

#include "platform/pattern_match.h"
#include "runtime/types.h"

namespace kestrilo {

class KeywordFilter {
 public:
  // Nothing, and `error` naming the pattern and where it went wrong, when
  // a pattern does not compile.
  static std::optional<KeywordFilter> Make(const std::vector<std::string>& include,
                                           const std::vector<std::string>& exclude,
                                           bool ignore_case, std::string& error);
  bool Keeps(const Text& keyword) const;

 private:
  std::vector<PatternMatch> include_;
  std::vector<PatternMatch> exclude_;
};

}  // namespace kestrilo
