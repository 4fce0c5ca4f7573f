#pragma once

// MatchesRegex with ECMAScript patterns on every system: GoogleTest on
// Windows has only its "simple" expressions, without [], | or +.

#include <regex>
#include <string>

#include <gmock/gmock.h>

namespace kestrilo::testing {

MATCHER_P(WholeMatch, pattern, "matches the pattern " + std::string(pattern)) {
  return std::regex_match(std::string(arg), std::regex(pattern));
}

}  // namespace kestrilo::testing
