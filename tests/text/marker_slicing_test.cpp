#include "text/marker_slicing.h"

#include <climits>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "runtime/gbk.h"

namespace kestrilo {
namespace {

// GBK bytes in the rows: 0x81 0x40 is 丂 and 0x81 0x5D is 乚, so '@' and ']'
// also occur as second bytes of characters.
constexpr std::string_view kBaiduReply = R"(window.bdsug.sug({q:"x",p:true,s:["a","b"]});)";

struct BetweenRow {
  std::string_view name;
  std::string_view text;
  std::string_view left;
  std::string_view right;
  std::optional<int> start_pos;
  std::string_view expected;
};

// clang-format off
constexpr BetweenRow kBetweenRows[] = {
    {"CutsTheQuotedListOutOfASuggestionReply", kBaiduReply, R"(p:true,s:[")", R"("])", {},
     R"(a","b)"},
    {"TakesTheFirstPair", "<i>one</i><i>two</i>", "<i>", "</i>", {}, "one"},
    {"TakesTheSecondPairWhenStartingBehindTheFirstLeft", "<i>one</i><i>two</i>", "<i>", "</i>", 4,
     "two"},
    {"TreatsAStartBelowOneAsTheFirstByte", "<i>one</i>", "<i>", "</i>", INT_MIN, "one"},
    {"FindsNothingFromAStartBehindTheText", "<i>one</i>", "<i>", "</i>", INT_MAX, ""},
    {"IgnoresARightMarkerThatOnlyPrecedesTheLeft", "]x[abc", "[", "]", {}, ""},
    {"GivesEmptyForAdjacentMarkers", "x[]y[z]", "[", "]", {}, ""},
    {"NeverMatchesFromTheSecondByteOfACharacter", "\x81@bc|", "@b", "|", {}, ""},
    {"MatchesTheSameBytesBehindTheCharacter", "\x81@@bc|", "@b", "|", {}, "c"},
    {"SkipsARightMarkerInsideACharacter", "[a\x81]b]", "[", "]", {}, "a\x81]b"},
    {"TakesTheTextBeforeTheFirstRightForAnEmptyLeft", "ab]cd]", "", "]", {}, "ab"},
    {"GivesEmptyForAnEmptyRight", "[ab]", "[", "", {}, ""},
};
// clang-format on

// Names the row in test output instead of dumping its bytes.
void PrintTo(const BetweenRow& row, std::ostream* os) { *os << row.name; }

class TextBetweenTest : public ::testing::TestWithParam<BetweenRow> {};

TEST_P(TextBetweenTest, CutsThePiece) {
  const BetweenRow& row = GetParam();
  EXPECT_EQ(TextBetween(row.text, row.left, row.right, row.start_pos), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, TextBetweenTest, ::testing::ValuesIn(kBetweenRows),
                         [](const auto& row_info) { return std::string(row_info.param.name); });

TEST(TextBetween, QuotePlaceholderInMarkersStandsForADoubleQuote) {
  const Text quote = "#引号"_gbk;
  EXPECT_EQ(TextBetween(kBaiduReply, "p:true,s:[" + quote, quote + "]"), R"(a","b)");
  // Only the markers are rewritten, never the text searched.
  EXPECT_EQ(TextBetween("x" + quote + "y\"", "x", "\""), quote + "y");
}

TEST(TextBetween, CaseDefaultsDifferBetweenTheTwoVariants) {
  // Both markers differ from the text in case, so both searches must fold.
  constexpr std::string_view text = "<b>Piece</B>";
  EXPECT_EQ(TextBetween(text, "<B>", "</b>"), "");
  EXPECT_EQ(TextBetween(text, "<B>", "</b>", {}, true), "Piece");
  EXPECT_EQ(TextBetweenAnyCase(text, "<B>", "</b>"), "Piece");
  EXPECT_EQ(TextBetweenAnyCase(text, "<B>", "</b>", {}, false), "Piece");
  EXPECT_EQ(TextBetweenAnyCase(text, "<B>", "</b>", {}, true), "");
}

using SideCut = Text (*)(std::string_view, std::string_view, std::optional<int>,
                         std::optional<bool>);

struct SideRow {
  std::string_view name;
  SideCut cut;
  std::string_view text;
  std::string_view marker;
  std::optional<int> start_pos;
  std::string_view expected;
};

// In "a:b:c:d" (7 bytes) the colons sit at positions 2, 4 and 6.
// clang-format off
constexpr SideRow kSideRows[] = {
    {"LeftOfNamesTheHeader", TextLeftOf, "Content-Type: text/html", ": ", {}, "Content-Type"},
    {"LeftOfIsEmptyWithoutTheMarker", TextLeftOf, "Content-Type text/html", ": ", {}, ""},
    {"LeftOfSearchesForwardFromAPosition", TextLeftOf, "a:b:c:d", ":", 4, "a:b"},
    {"LeftOfMinusOneSkipsOnlyAMarkerEndingTheText", TextLeftOf, "a:b::", ":", -1, "a:b"},
    {"LeftOfMinusTwoSearchesBeforeTwoBytesFromTheEnd", TextLeftOf, "a:b:c:d", ":", -2, "a:b"},
    {"LeftOfFindsNothingBackwardPastTheStart", TextLeftOf, "a:b:c:d", ":", -6, ""},
    {"LeftOfSkipsAMarkerInsideACharacter", TextLeftOf, "\x81@x@y", "@", {}, "\x81@x"},
    {"LeftOfSurvivesIntMin", TextLeftOf, "a:b", ":", INT_MIN, ""},
    {"LeftOfSurvivesIntMax", TextLeftOf, "a:b", ":", INT_MAX, ""},
    {"RightOfGivesTheHeaderValue", TextRightOf, "Connection: keep-alive", "Connection: ", {},
     "keep-alive"},
    {"RightOfIsEmptyWithoutTheMarker", TextRightOf, "Connection keep-alive", "Connection: ", {},
     ""},
    {"RightOfTakesTheLastOccurrence", TextRightOf, "k=v=w", "=", {}, "w"},
    {"RightOfTextEndingInAGbkCharacterWithoutTheMarker", TextRightOf, "\xB1\xEA\xD6\xD0", "=", {}, ""},
    {"LeftOfBackwardOverGbkTextWithoutTheMarker", TextLeftOf, "\xB1\xEA\xD6\xD0", "=", -1, ""},
    {"RightOfSkipsAnOccurrenceEndingTheText", TextRightOf, "k=v=", "=", {}, "v="},
    {"RightOfSearchesBackwardBeforeNBytesFromTheEnd", TextRightOf, "a:b:c:d", ":", 3, "b:c:d"},
    {"RightOfMinusOneSearchesForwardFromTheFirstByte", TextRightOf, "a:b:c:d", ":", -1, "b:c:d"},
    {"RightOfMinusNCountsAMarkerAtPositionN", TextRightOf, "a:b:c:d", ":", -4, "c:d"},
    {"RightOfFindsNothingForwardPastTheLastMarker", TextRightOf, "a:b:c:d", ":", -7, ""},
    {"RightOfSurvivesIntMin", TextRightOf, "a:b", ":", INT_MIN, ""},
    {"RightOfSurvivesIntMax", TextRightOf, "a:b", ":", INT_MAX, ""},
};
// clang-format on

void PrintTo(const SideRow& row, std::ostream* os) { *os << row.name; }

class SideOfMarkerTest : public ::testing::TestWithParam<SideRow> {};

TEST_P(SideOfMarkerTest, CutsThePiece) {
  const SideRow& row = GetParam();
  EXPECT_EQ(row.cut(row.text, row.marker, row.start_pos, {}), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, SideOfMarkerTest, ::testing::ValuesIn(kSideRows),
                         [](const auto& row_info) { return std::string(row_info.param.name); });

TEST(SideOfMarker, IgnoreCaseFoldsTheMarker) {
  EXPECT_EQ(TextLeftOf("name=x; PATH=/", "; path", {}, true), "name=x");
  EXPECT_EQ(TextRightOf("connection: close", "Connection: ", {}, true), "close");
  EXPECT_EQ(TextRightOf("connection: close", "Connection: "), "");
}

}  // namespace
}  // namespace kestrilo
