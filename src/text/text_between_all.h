#pragma once

#include <optional>
#include <string_view>

#include "runtime/types.h"

namespace kestrilo {

struct BetweenAllOptions {
  bool case_insensitive = false;
  int max_length = 0;  // 0: no limit; else a piece is kept only when shorter
  Text prefix{};
  Text suffix{};
  int with_left = 0;   // exactly 1: the left marker goes in front of the piece
  int with_right = 0;  // exactly 1: the right marker goes behind it
  int start_pos = 0;   // where the first search for `left` begins; below 1: the start
};

// Empties `items`, then collects every piece between a `left` marker and the
// first `right` behind it, in the order found, and returns how many there
// are. The next search for `left` begins right behind the previous left
// marker, so a left marker inside a piece starts a piece of its own. Pending
// events are processed after every piece. An empty `left` counts as found at
// the first byte once: the text before the first `right` is the one piece.
int TextBetweenAll(std::string_view text, std::string_view left, std::string_view right,
                   TextList& items, const BetweenAllOptions& options = {});

}  // namespace kestrilo
