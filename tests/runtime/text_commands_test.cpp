#include "runtime/text_commands.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "runtime/gbk.h"

#include "support/named_rows.h"

namespace kestrilo {
namespace {

// One GBK character each whose second byte is the ASCII 'a' or 'A'.
const std::string kLeadA = "\xB0\x61";
const std::string kLeadUpperA = "\xB0\x41";
const std::string kFullWidthSpace = "\xA1\xA1";

struct FindRow {
  const char* name;
  std::string text, sought;
  std::optional<int> start;
  bool ignore_case;
  bool backward;
  int expected;
};

class FindTextTest : public ::testing::TestWithParam<FindRow> {};

TEST_P(FindTextTest, ReturnsPosition) {
  const FindRow& row = GetParam();
  const int found = row.backward ? FindTextBack(row.text, row.sought, row.start, row.ignore_case)
                                 : FindText(row.text, row.sought, row.start, row.ignore_case);
  EXPECT_EQ(found, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FindTextTest,
    ::testing::Values(
        FindRow{"FindsTheFirstMatch", "abcabc", "bc", {}, false, false, 2},
        FindRow{"StartOnTheMatchFindsIt", "abc", "c", 3, false, false, 3},
        FindRow{"StartPastTheMatchFails", "abc", "c", 4, false, false, -1},
        FindRow{"StartZeroSearchesFromTheFirstByte", "abc", "a", 0, false, false, 1},
        FindRow{"NegativeStartSearchesFromTheFirstByte", "abc", "a", -7, false, false, 1},
        FindRow{"StartPastTheEndFails", "abc", "a", 99, false, false, -1},
        FindRow{"EmptySoughtMatchesAtOne", "abc", "", 2, false, false, 1},
        FindRow{"EmptySoughtInEmptyTextFails", "", "", {}, false, false, -1},
        FindRow{"EmptySoughtPastTheEndFails", "abc", "", 4, false, false, -1},
        FindRow{"SecondByteOfGbkCharacterNeverMatches", "x" + kLeadA, "a", {}, false, false, -1},
        FindRow{"MatchAfterGbkCharacterIsFound", kLeadA + "a", "a", {}, false, false, 3},
        // The walk ends at a lead byte that has no second byte.
        FindRow{"LeadByteEndingTheTextStartsNoMatch", "a\xB0", "\xB0", {}, false, false, -1},
        FindRow{"IgnoreCaseFoldsAsciiLetters", "ABC", "b", {}, true, false, 2},
        FindRow{"CaseSensitiveMissesOtherCase", "ABC", "b", {}, false, false, -1},
        FindRow{"IgnoreCaseLeavesPunctuation", "[@", "{", {}, true, false, -1},
        FindRow{"IgnoreCaseLeavesGbkSecondBytes", kLeadUpperA, kLeadA, {}, true, false, -1},
        FindRow{"BackFindsTheLastMatch", "abcabc", "bc", {}, false, true, 5},
        FindRow{"BackMatchMustEndBeforeStart", "abcabc", "bc", 5, false, true, 2},
        FindRow{"BackStartPastTheEndSearchesAll", "abcabc", "bc", 99, false, true, 5},
        FindRow{"BackSecondByteOfGbkCharacterNeverMatches", "a" + kLeadA, "a", {}, false, true, 1},
        FindRow{"BackLeadByteEndingTheTextStartsNoMatch", "a\xB0", "\xB0", {}, false, true, -1},
        FindRow{"BackIgnoreCase", "abcABC", "bc", {}, true, true, 5},
        // The region ends inside a double-byte character: nothing past it is read.
        FindRow{"BackRegionEndingInsideACharacter", "\xD6\xD0z", "z", 2, false, true, -1},
        FindRow{"BackRegionEndingInsideACharacterFindsEarlier", "z\xD6\xD0z", "z", 3, false, true,
                1}),
    RowName());

struct ReplaceRow {
  const char* name;
  std::string text, sought;
  std::optional<std::string> replacement;
  std::optional<int> start, count;
  bool case_sensitive;
  std::string expected;
};

class ReplaceTextTest : public ::testing::TestWithParam<ReplaceRow> {};

TEST_P(ReplaceTextTest, Replaces) {
  const ReplaceRow& row = GetParam();
  EXPECT_EQ(
      ReplaceText(row.text, row.sought, row.replacement, row.start, row.count, row.case_sensitive),
      row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReplaceTextTest,
    ::testing::Values(
        ReplaceRow{"ReplacedTextIsNotRescanned", "aaa", "a", "aa", {}, {}, true, "aaaaaa"},
        ReplaceRow{"CountLimitsReplacements", "aaa", "a", "aa", {}, 1, true, "aaaa"},
        ReplaceRow{"StartSkipsEarlierMatches", "aaa", "a", "aa", 3, {}, true, "aaaa"},
        ReplaceRow{"ZeroCountReplacesNothing", "aaa", "a", "b", {}, 0, true, "aaa"},
        ReplaceRow{"NegativeCountReplacesNothing", "aaa", "a", "b", {}, -1, true, "aaa"},
        ReplaceRow{"StartBelowOneCountsAsOne", "aXa", "a", "b", -3, {}, true, "bXb"},
        ReplaceRow{"StartPastTheEndReplacesNothing", "aaa", "a", "b", 4, {}, true, "aaa"},
        ReplaceRow{"EmptySoughtReplacesNothing", "aaa", "", "b", {}, {}, true, "aaa"},
        ReplaceRow{"AbsentReplacementRemoves", "a-b-c", "-", {}, {}, {}, true, "abc"},
        ReplaceRow{"TailShorterThanSoughtIsKept", "abcab", "abc", "x", {}, {}, true, "xab"},
        ReplaceRow{"CaseInsensitiveFoldsAscii", "ABab", "b", "x", {}, {}, false, "Axax"},
        ReplaceRow{"CaseSensitiveKeepsOtherCase", "ABab", "b", "x", {}, {}, true, "ABax"},
        ReplaceRow{"GbkSecondByteStays", kLeadA + "a", "a", "b", {}, {}, true, kLeadA + "b"},
        ReplaceRow{
            "IgnoreCaseLeavesGbkSecondBytes", kLeadUpperA, kLeadA, "x", {}, {}, false, kLeadUpperA},
        ReplaceRow{"LeadByteEndingTheTextStays", "a\xB0", "\xB0", "x", {}, {}, true, "a\xB0"},
        ReplaceRow{
            "GbkCharacterIsReplaced", "关键词"_gbk, "键"_gbk, "-", {}, {}, true, "关-词"_gbk}),
    RowName());

struct SplitRow {
  const char* name;
  std::string text;
  std::optional<std::string> separator;
  std::optional<int> maximum;
  TextList expected;
};

class SplitTextTest : public ::testing::TestWithParam<SplitRow> {};

TEST_P(SplitTextTest, Splits) {
  const SplitRow& row = GetParam();
  EXPECT_EQ(SplitText(row.text, row.separator, row.maximum), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SplitTextTest,
    ::testing::Values(
        SplitRow{"TrailingSeparatorAddsNoMember", "a,b,", {}, {}, {"a", "b"}},
        SplitRow{"EmptyMemberBetweenSeparators", "a,,b", ",", {}, {"a", "", "b"}},
        SplitRow{"LeadingSeparatorGivesEmptyFirstMember", ",a", {}, {}, {"", "a"}},
        SplitRow{"EmptyTextGivesNoMember", "", {}, {}, {}},
        SplitRow{"TextWithoutSeparatorIsOneMember", "a", {}, {}, {"a"}},
        SplitRow{"EmptySeparatorGivesWholeText", "a,b", "", {}, {"a,b"}},
        SplitRow{"MaximumDropsTheRest", "a,b,c", {}, 2, {"a", "b"}},
        SplitRow{"MaximumReachedAtTrailingSeparator", "a,b,", {}, 2, {"a", "b"}},
        SplitRow{"MaximumZeroGivesNoMember", "a,b", {}, 0, {}},
        SplitRow{"NegativeMaximumGivesNoMember", "a,b", {}, -1, {}},
        SplitRow{"GbkSeparator", "一、二"_gbk, "、"_gbk, {}, {"一"_gbk, "二"_gbk}},
        SplitRow{"GbkSecondByteIsNoSeparator", "\xB0,x", {}, {}, {"\xB0,x"}},
        SplitRow{"LeadByteEndingTheTextIsNoSeparator", "a\xB0", "\xB0", {}, {"a\xB0"}},
        SplitRow{
            "NoMatchAcrossCharacters", kLeadA + "\xB0\x62", "a\xB0", {}, {kLeadA + "\xB0\x62"}}),
    RowName());

struct SpacesRow {
  const char* name;
  std::string text, trimmed, removed;
};

class SpacesTest : public ::testing::TestWithParam<SpacesRow> {};

TEST_P(SpacesTest, TrimsAndRemoves) {
  EXPECT_EQ(TrimSpaces(GetParam().text), GetParam().trimmed);
  EXPECT_EQ(RemoveSpaces(GetParam().text), GetParam().removed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SpacesTest,
    ::testing::Values(
        SpacesRow{"AsciiSpacesAtBothEnds", "  a b  ", "a b", "ab"},
        SpacesRow{"FullWidthSpacesAtBothEnds",
                  kFullWidthSpace + " a" + kFullWidthSpace + "b " + kFullWidthSpace,
                  "a" + kFullWidthSpace + "b", "ab"},
        SpacesRow{"OnlySpacesGiveEmpty", " \xA1\xA1 ", "", ""}, SpacesRow{"EmptyText", "", "", ""},
        // Walked from the start, A1 A1 here is a trail byte then a lead byte.
        SpacesRow{"TrailByteA1IsNotHalfOfASpace", "\xB0\xA1\xA1 ", "\xB0\xA1\xA1 ",
                  "\xB0\xA1\xA1 "},
        SpacesRow{"FullWidthSpaceAfterTrailByteA1", "\xB0\xA1\xA1\xA1 ", "\xB0\xA1", "\xB0\xA1"},
        SpacesRow{"FullWidthSpaceBeforeGbk", "\xA1\xA1\xB0\xA1", "\xB0\xA1", "\xB0\xA1"}),
    RowName());

TEST(CaseCommandsTest, FoldOnlySingleByteAsciiLetters) {
  const std::string mixed = kLeadA + "a" + kLeadUpperA + "Z@[`{";
  EXPECT_EQ(ToUpper(mixed), kLeadA + "A" + kLeadUpperA + "Z@[`{");
  EXPECT_EQ(ToLower(mixed), kLeadA + "a" + kLeadUpperA + "z@[`{");
}

TEST(CompareTextTest, OrdersByBytesFoldingOnlyAsciiLetters) {
  const auto sign = [](int r) { return (r > 0) - (r < 0); };
  EXPECT_EQ(sign(CompareText("abc", "abc", true)), 0);
  EXPECT_EQ(sign(CompareText("abc", "ABC", false)), 0);
  EXPECT_EQ(sign(CompareText("abc", "ABC", true)), 1);
  EXPECT_EQ(sign(CompareText("ab", "abc", true)), -1);
  EXPECT_EQ(sign(CompareText("\xB0\xA1", "z", true)), 1);
  EXPECT_EQ(sign(CompareText(kLeadUpperA, kLeadA, false)), -1);
  EXPECT_EQ(sign(CompareText("[", "{", false)), -1);
}

TEST(SlicingTest, CountsPlainBytes) {
  EXPECT_EQ(LeftText("abc", 2), "ab");
  EXPECT_EQ(LeftText("abc", 9), "abc");
  EXPECT_EQ(LeftText("abc", -1), "");
  EXPECT_EQ(LeftText("\xB0\xA1x", 1), "\xB0");
  EXPECT_EQ(RightText("abc", 2), "bc");
  EXPECT_EQ(RightText("abc", 9), "abc");
  EXPECT_EQ(MidText("abcdef", 5, 10), "ef");
  EXPECT_EQ(MidText("abc", 0, 2), "");
  EXPECT_EQ(MidText("abc", 4, 1), "");
  EXPECT_EQ(MidText("abc", 1, 0), "");
}

TEST(CharacterCodeTest, CodeAtIsSignedAndZeroOutside) {
  EXPECT_EQ(CodeAt("\xB0\xA1"), -80);
  EXPECT_EQ(CodeAt("abc"), 'a');
  EXPECT_EQ(CodeAt("abc", 3), 'c');
  EXPECT_EQ(CodeAt("abc", 4), 0);
  EXPECT_EQ(CodeAt("abc", 0), 0);
  EXPECT_EQ(CharFromCode(0), "");
  EXPECT_EQ(CharFromCode(0xB0), "\xB0");
  EXPECT_EQ(SpaceText(3), "   ");
  EXPECT_EQ(SpaceText(-2), "");
}

}  // namespace
}  // namespace kestrilo
