#include "text/text_between_all.h"

#include <ostream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "support/recording_ui_port.h"

namespace kestrilo {
namespace {

using Configure = void (*)(BetweenAllOptions&);

struct Row {
  std::string name;
  Text text;
  Text left;
  Text right;
  Configure configure;  // null: every option at its default
  TextList expected;
};

// GBK bytes: 【 A1 BE, 】 A1 BF, 啊 B0 A1, 看 BF B4; 乕 81 5B and 乚 81 5D end
// in '[' and ']'.
// clang-format off
const Row kRows[] = {
    {"LeftMarkerInsideAPieceStartsAnotherSharingTheRight", "[a[b]", "[", "]", {}, {"a[b", "b"}},
    {"FindsNothingWithoutALeftMarker", "a]b", "[", "]", {}, {}},
    {"StopsWhereNoRightMarkerFollowsKeepingEarlierPieces", "[a]x[b", "[", "]", {}, {"a"}},
    {"IgnoresARightMarkerBeforeTheLeft", "]x[b", "[", "]", {}, {}},
    {"CountsTheEmptyPieceOfAdjacentMarkers", "[][x]", "[", "]", {}, {"", "x"}},
    {"TakesOnePieceForAnEmptyLeftMarker", "a]b]c]", "", "]", {}, {"a"}},
    {"FindsNothingWithAnEmptyLeftInAnEmptyText", "", "", "]", {}, {}},
    {"GivesEmptyPiecesForAnEmptyRightMarker", "[a[b", "[", "", {}, {"", ""}},
    {"SkipsALeftMarkerInsideACharacter", "\x81[x][y]", "[", "]", {}, {"y"}},
    {"SkipsARightMarkerInsideACharacter", "[a\x81]b]", "[", "]", {}, {"a\x81]b"}},
    // Byte for byte, 】 also occurs across the boundary of 啊 and 看.
    {"MatchesGbkMarkersOnlyOnCharacterBoundaries", "\xA1\xBE\xB0\xA1\xBF\xB4\xA1\xBF", "\xA1\xBE",
     "\xA1\xBF", {}, {"\xB0\xA1\xBF\xB4"}},
    {"MatchesCaseByDefault", "<B>x</B>", "<b>", "</b>", {}, {}},
    {"FoldsCaseOfBothMarkersWhenAsked", "<B>x</B>", "<b>", "</b>",
     [](BetweenAllOptions& o) { o.case_insensitive = true; }, {"x"}},
    {"KeepsOnlyPiecesShorterThanMaxLength", "[ab][abc][abcd]", "[", "]",
     [](BetweenAllOptions& o) { o.max_length = 4; }, {"ab", "abc"}},
    {"MeasuresMaxLengthOnTheWholeEntry", "[ab][abc]", "[", "]",
     [](BetweenAllOptions& o) { o.max_length = 5; o.prefix = "<"; o.with_right = 1; }, {"<ab]"}},
    {"WrapsPiecesInPrefixAndSuffix", "[a][b]", "[", "]",
     [](BetweenAllOptions& o) { o.prefix = "<"; o.suffix = ">"; }, {"<a>", "<b>"}},
    {"PutsMarkersOutsidePrefixAndSuffix", "[a]", "[", "]",
     [](BetweenAllOptions& o) { o.prefix = "<"; o.suffix = ">"; o.with_left = o.with_right = 1; },
     {"[<a>]"}},
    {"AddsMarkersOnlyForExactlyOne", "[a]", "[", "]",
     [](BetweenAllOptions& o) { o.with_left = o.with_right = 2; }, {"a"}},
    {"StartsTheFirstSearchAtStartPos", "[a][b]", "[", "]",
     [](BetweenAllOptions& o) { o.start_pos = 2; }, {"b"}},
    {"TreatsAStartPosBelowOneAsTheBeginning", "[a][b]", "[", "]",
     [](BetweenAllOptions& o) { o.start_pos = -3; }, {"a", "b"}},
};
// clang-format on

// Names the row in test output instead of dumping its bytes.
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class TextBetweenAllTest : public ::testing::TestWithParam<Row> {};

TEST_P(TextBetweenAllTest, CollectsThePieces) {
  const Row& row = GetParam();
  testing::RecordingUiPort port;
  // A search that never moves on would otherwise fill memory before failing.
  port.on_events = [&port] {
    if (port.event_passes > 300) throw std::runtime_error("TextBetweenAll does not end");
  };
  BetweenAllOptions options;
  if (row.configure) row.configure(options);
  TextList items{"left over from an earlier call"};
  EXPECT_EQ(TextBetweenAll(row.text, row.left, row.right, items, options),
            ArrayCount(row.expected));
  EXPECT_EQ(items, row.expected);
  // Only max_length drops a piece that was found.
  if (options.max_length == 0) {
    EXPECT_EQ(port.event_passes, 3 * ArrayCount(row.expected));
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, TextBetweenAllTest, ::testing::ValuesIn(kRows),
                         [](const auto& row_info) { return row_info.param.name; });

TEST(TextBetweenAll, ProcessesEventsForPiecesItDoesNotKeep) {
  testing::RecordingUiPort port;
  BetweenAllOptions options;
  options.max_length = 1;
  TextList items;
  EXPECT_EQ(TextBetweenAll("[ab][cd][ef]", "[", "]", items, options), 0);
  EXPECT_EQ(port.event_passes, 9);
}

}  // namespace
}  // namespace kestrilo
