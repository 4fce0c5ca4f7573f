#include "text/remove_duplicates.h"

#include <ostream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace kestrilo {
namespace {

// GBK bytes in the rows: 手机 CA D6 BB FA, 电脑 B5 E7 C4 D4, 中 D6 D0, 文 CE C4,
// 啊 B0 A1, “ A1 B0, full-width ｓｅｏ A3 F3 A3 E5 A3 EF, and 丂 81 40 whose
// second byte is '@'.
struct Row {
  std::string_view name;
  std::string_view text;
  std::string_view separator;
  SplitMode mode;
  std::string_view expected;
};

constexpr SplitMode kLines = SplitMode::kSeparator;
constexpr SplitMode kChars = SplitMode::kCharacters;

// clang-format off
constexpr Row kRows[] = {
    {"DropsLaterRepeatsOfALine", "a\r\nb\r\na\r\nc", "\r\n", kLines, "a\r\nb\r\nc"},
    {"KeepsOneEmptyLineAndNoTrailingSeparator", "a\r\n\r\nb\r\n\r\na\r\n", "\r\n", kLines,
     "a\r\n\r\nb"},
    {"CountsTheEmptyPieceBeforeALeadingSeparator", "\r\na\r\n\r\na", "\r\n", kLines, "\r\na"},
    {"GivesEmptyForTheEmptyText", "", "\r\n", kLines, ""},
    {"KeepsASingleLineWithoutSeparator", "solo", "\r\n", kLines, "solo"},
    {"WorksWithAnySeparator", "k=1; k=1; j=2", "; ", kLines, "k=1; j=2"},
    {"KeepsCaseBlankAndFullWidthVariantsApart",
     "seo\r\nSEO\r\nseo \r\n seo\r\n\xA3\xF3\xA3\xE5\xA3\xEF", "\r\n", kLines,
     "seo\r\nSEO\r\nseo \r\n seo\r\n\xA3\xF3\xA3\xE5\xA3\xEF"},
    {"DropsRepeatedGbkKeywords", "\xCA\xD6\xBB\xFA\r\n\xB5\xE7\xC4\xD4\r\n\xCA\xD6\xBB\xFA", "\r\n",
     kLines, "\xCA\xD6\xBB\xFA\r\n\xB5\xE7\xC4\xD4"},
    // Split inside 丂 the pieces would be "\x81", "a", "a".
    {"DoesNotSplitInsideACharacter", "\x81@a@a", "@", kLines, "\x81@a@a"},
    {"DoesNotSplitAtALeadByteEndingTheText", "a\xB0", "\xB0", kLines, "a\xB0"},
    // The first piece is "a\xB0@b": its lead byte takes the "@".
    {"TellsALastPieceEndingOnALeadByteFromALongerOne", "a\xB0@b@a\xB0", "@", kLines,
     "a\xB0@b@a\xB0"},
    {"KeepsEachCharacterOnce", "aab", ",", kChars, "a,b"},
    {"TakesCrLfAsOneCharacter", "a\r\n\r\n\r", ",", kChars, "a,\r\n,\r"},
    {"TakesAGbkCharacterAsOnePiece", "\xD6\xD0\xD6\xD0\xCE\xC4", ",", kChars, "\xD6\xD0,\xCE\xC4"},
    {"PairsBytesFromTheStartOfTheText", "\xB0\xA1\xA1\xB0", ",", kChars, "\xB0\xA1,\xA1\xB0"},
    {"LeavesByte80Alone", "\x80" "A\x80" "B", ",", kChars, "\x80,A,B"},
    {"KeepsALeadByteEndingTheText", "a\xB0", ",", kChars, "a,\xB0"},
};
// clang-format on

// Names the row in test output instead of dumping its bytes.
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class RemoveDuplicatesTest : public ::testing::TestWithParam<Row> {};

TEST_P(RemoveDuplicatesTest, KeepsFirstOccurrences) {
  const Row& row = GetParam();
  EXPECT_EQ(RemoveDuplicates(row.text, row.separator, row.mode), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, RemoveDuplicatesTest, ::testing::ValuesIn(kRows),
                         [](const auto& row_info) { return std::string(row_info.param.name); });

// Sized so that comparing every line with every kept line would take minutes;
// the one empty line comes first, last, or just as the table grows.
TEST(RemoveDuplicates, HandlesAHugeListInLinearTime) {
  constexpr int kDistinct = 200000;
  for (const int empty_at : {0, 768, kDistinct}) {
    Text distinct;
    for (int i = 0; i <= kDistinct; ++i) {
      if (i > 0) distinct += "\r\n";
      distinct += i == empty_at ? "" : "kw" + std::to_string(i);
    }
    const Text text = distinct + "\r\n" + distinct + "\r\n" + distinct;
    EXPECT_EQ(RemoveDuplicates(text, "\r\n", SplitMode::kSeparator), distinct) << empty_at;
    EXPECT_EQ(RemoveDuplicates(Text(text), "\r\n", SplitMode::kSeparator), distinct) << empty_at;
  }
}

}  // namespace
}  // namespace kestrilo
