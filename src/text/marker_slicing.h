#pragma once

// Cutting text out of pages, suggestion replies and header lines by plain
// markers. Every search goes through the runtime's FindText/FindTextBack, so
// a marker never matches from the second byte of a GBK character.

#include <optional>
#include <string_view>

#include "runtime/types.h"

namespace kestrilo {

// The text between the first `left` at or after `start_pos` (below 1: the
// first byte) and the first `right` behind it; empty when either is missing.
// In both markers "#引号" stands for a double quote.
Text TextBetween(std::string_view text, std::string_view left, std::string_view right,
                 std::optional<int> start_pos = {}, std::optional<bool> ignore_case = {});

// The same, but letter case is ignored unless `match_case` is true.
Text TextBetweenAnyCase(std::string_view text, std::string_view left, std::string_view right,
                        std::optional<int> start_pos = {}, std::optional<bool> match_case = {});

// The text before `marker`. `start_pos` 0 or above searches forward from that
// position; -n searches backward, taking the last occurrence that ends before
// position L - n (L the text's length; -1 means the whole text).
Text TextLeftOf(std::string_view text, std::string_view marker, std::optional<int> start_pos = {},
                std::optional<bool> ignore_case = {});

// The text behind `marker`. `start_pos` n of 0 or above searches backward,
// taking the last occurrence that ends before position L - n; -n searches
// forward from position n (-1: the first byte).
Text TextRightOf(std::string_view text, std::string_view marker, std::optional<int> start_pos = {},
                 std::optional<bool> ignore_case = {});

}  // namespace kestrilo
