#include "text/marker_slicing.h"

#include <climits>

#include "runtime/text_commands.h"
#include "text/quote_placeholder.h"

namespace kestrilo {
namespace {

Text Between(std::string_view text, std::string_view left_marker, std::string_view right_marker,
             std::optional<int> start_pos, bool ignore_case) {
  const Text left = ReplaceText(left_marker, kQuotePlaceholder, "\"");
  const Text right = ReplaceText(right_marker, kQuotePlaceholder, "\"");
  const int left_pos = FindText(text, left, start_pos.value_or(0), ignore_case);
  if (left_pos == -1) return {};
  const int piece_start = left_pos + TextLength(left);
  const int right_pos = FindText(text, right, piece_start, ignore_case);
  if (right_pos == -1) return {};
  return MidText(text, piece_start, right_pos - piece_start);
}

// -n for a negative start position, without overflowing on INT_MIN.
int Magnitude(int negative) { return negative == INT_MIN ? INT_MAX : -negative; }

}  // namespace

Text TextBetween(std::string_view text, std::string_view left, std::string_view right,
                 std::optional<int> start_pos, std::optional<bool> ignore_case) {
  return Between(text, left, right, start_pos, ignore_case.value_or(false));
}

Text TextBetweenAnyCase(std::string_view text, std::string_view left, std::string_view right,
                        std::optional<int> start_pos, std::optional<bool> match_case) {
  return Between(text, left, right, start_pos, !match_case.value_or(false));
}

Text TextLeftOf(std::string_view text, std::string_view marker, std::optional<int> start_pos,
                std::optional<bool> ignore_case) {
  const int start = start_pos.value_or(0);
  const bool fold = ignore_case.value_or(false);
  int found;
  if (start >= 0) {
    found = FindText(text, marker, start, fold);
  } else {
    const int m = start == -1 ? 0 : Magnitude(start);
    found = FindTextBack(text, marker, TextLength(text) - m, fold);
  }
  if (found == -1) return {};
  return LeftText(text, found - 1);
}

Text TextRightOf(std::string_view text, std::string_view marker, std::optional<int> start_pos,
                 std::optional<bool> ignore_case) {
  const int start = start_pos.value_or(0);
  const bool fold = ignore_case.value_or(false);
  const int length = TextLength(text);
  const int found = start >= 0 ? FindTextBack(text, marker, length - start, fold)
                               : FindText(text, marker, Magnitude(start), fold);
  if (found == -1) return {};
  return RightText(text, length - TextLength(marker) - found + 1);
}

}  // namespace kestrilo
