#pragma once

// The de-duplication as first written down: every piece is compared with
// every piece kept so far. Quadratic; the benchmarks keep it as the yardstick
// RemoveDuplicates is measured against, and it must agree with it.

#include <string_view>
#include <vector>

#include "runtime/text_commands.h"
#include "runtime/types.h"

namespace kestrilo::bench {

inline Text LiteralRemoveDuplicates(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> kept;
  for (const std::string_view piece : SplitTextViews(text, separator)) {
    bool seen = false;
    for (const std::string_view earlier : kept) {
      if (earlier == piece) {
        seen = true;
        break;
      }
    }
    if (!seen) kept.push_back(piece);
  }
  Text result;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) result += separator;
    result += kept[i];
  }
  return result;
}

}  // namespace kestrilo::bench
