#include "text/regex_object.h"

#include <ostream>
#include <string>
#include <string_view>
#include <utility>

#include <gtest/gtest.h>

#include "platform/regexp_object.h"
#include "runtime/gbk.h"

namespace kestrilo {
namespace {

constexpr std::string_view kCharsetPattern = R"(<meta.+?charset=[^\w]?([-\w]+))";

class RegexObjectTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterRegExp(); }

  Text Match(int match_no) const {
    int unused = 0;
    return regex_.MatchText(match_no, unused);
  }
  Text Sub(int match_no, int sub_no) const {
    int unused = 0;
    return regex_.SubMatchText(match_no, sub_no, unused);
  }

  RegexObject regex_;
};

TEST_F(RegexObjectTest, DefaultsIgnoreCaseAnchorAtLineBreaksAndFindEveryMatch) {
  ASSERT_TRUE(regex_.Create(R"(^b\w*$)", "a\r\nB1\nb2"));
  ASSERT_EQ(regex_.MatchCount(), 2);
  EXPECT_EQ(Match(1), "B1");
  EXPECT_EQ(Match(2), "b2");
}

TEST_F(RegexObjectTest, FlagsGivenExplicitlyNarrowTheSearch) {
  ASSERT_TRUE(regex_.Create(R"(^b\w*$)", "b0\nB1\nb2", true, true, false));
  EXPECT_EQ(regex_.MatchCount(), 1);
  ASSERT_TRUE(regex_.Create(R"(^b\w*$)", "b0\nB1\nb2", true, false));
  EXPECT_EQ(regex_.MatchCount(), 0);
}

TEST_F(RegexObjectTest, QuotePlaceholderStandsForADoubleQuoteOnBothSidesOfAGroup) {
  const Text pattern = "value=#引号(\\w+)#引号"_gbk;
  ASSERT_TRUE(regex_.Create(pattern, R"(<input value="abc">)", {}, {}, {}, true));
  EXPECT_EQ(regex_.GetPattern(), R"re(value="(\w+)")re");
  EXPECT_EQ(Sub(1, 1), "abc");
  ASSERT_TRUE(regex_.Create(pattern, R"(<input value="abc">)"));
  EXPECT_EQ(regex_.MatchCount(), 0);
}

struct CharsetRow {
  const char* name;
  std::string_view page_utf8;
  std::string_view expected;
};

// clang-format off
constexpr CharsetRow kCharsetRows[] = {
    {"ContentTypeMetaGivesTheName",
     "<html><head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n",
     "utf-8"},
    {"QuotedCapitalsAreFoundAndKeepTheirCase", "<head><META CHARSET=\"UTF-8\"></head>", "UTF-8"},
    {"DeclarationBehindChineseLines", "<title>长尾词</title>\n<meta charset='gb2312' />", "gb2312"},
    {"FirstOfTwoDeclarationsWins", "<meta charset=big5>\n<meta charset=utf-8>", "big5"},
    {"NoDeclarationGivesEmpty", "window.bdsug.sug({q:\"x\",s:[\"a\"]});", ""},
    {"TagBrokenByCrLfIsNotFound",
     "<meta http-equiv=\"Content-Type\"\r\n content=\"text/html; charset=utf-8\">", ""},
    {"TagBrokenByLfIsNotFound", "<meta\ncharset=utf-8>", ""},
};
// clang-format on

void PrintTo(const CharsetRow& row, std::ostream* os) { *os << row.name; }

class CharsetPatternTest : public RegexObjectTest,
                           public ::testing::WithParamInterface<CharsetRow> {};

TEST_P(CharsetPatternTest, FirstGroupOfFirstMatch) {
  ASSERT_TRUE(regex_.Create(kCharsetPattern, GbkFromUtf8(GetParam().page_utf8)));
  EXPECT_EQ(Sub(1, 1), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, CharsetPatternTest, ::testing::ValuesIn(kCharsetRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(RegexObjectTest, NoMatchGivesACollectionOfNone) {
  ASSERT_TRUE(regex_.Create("z(z)", "abc"));
  EXPECT_EQ(regex_.MatchCount(), 0);
  EXPECT_EQ(regex_.SubMatchCount(), 0);
  EXPECT_EQ(Match(1), "");
  EXPECT_EQ(Sub(1, 1), "");
}

TEST_F(RegexObjectTest, NumbersOutsideTheMatchesGiveEmpty) {
  ASSERT_TRUE(regex_.Create(R"((\d)(x)?)", "1 2"));
  ASSERT_EQ(regex_.MatchCount(), 2);
  EXPECT_EQ(regex_.SubMatchCount(), 2);
  constexpr std::pair<int, int> kEmptyOnes[] = {{0, 1}, {3, 1}, {1, 0}, {1, 3}, {1, 2}};
  for (const auto& [match_no, sub_no] : kEmptyOnes) {
    EXPECT_EQ(Sub(match_no, sub_no), "") << match_no << "." << sub_no;
  }
  EXPECT_EQ(Match(0), "");
  EXPECT_EQ(Match(3), "");
  EXPECT_EQ(Sub(2, 1), "2");
}

TEST_F(RegexObjectTest, EverythingIsEmptyBeforeCreateAndAfterARejectedPattern) {
  int position = 7;
  EXPECT_EQ(regex_.GetPattern(), "");
  EXPECT_EQ(regex_.MatchCount(), 0);
  EXPECT_EQ(regex_.MatchText(1, position, true), "");
  EXPECT_EQ(position, -1);
  EXPECT_EQ(regex_.ReplaceMatches("x"), "");

  EXPECT_FALSE(regex_.Create("(a", "aaa"));
  EXPECT_EQ(regex_.GetPattern(), "(a");
  EXPECT_EQ(regex_.MatchCount(), 0);
  EXPECT_EQ(Match(1), "");
  EXPECT_EQ(regex_.ReplaceMatches("x"), "");
}

TEST_F(RegexObjectTest, ReplacesGbkMatchesWithGroupReferences) {
  ASSERT_TRUE(regex_.Create("(\\w+)=([^;]+)", "a=长尾;b=词"_gbk));
  EXPECT_EQ(regex_.ReplaceMatches("$2：$1"_gbk), "长尾：a;词：b"_gbk);
}

TEST_F(RegexObjectTest, GbkSubjectGivesGbkTextAndByteOffsets) {
  ASSERT_TRUE(regex_.Create("中(.)文"_gbk, "前中国文后中a文"_gbk));
  ASSERT_EQ(regex_.MatchCount(), 2);
  int position = 99;
  EXPECT_EQ(regex_.MatchText(1, position), "中国文"_gbk);
  EXPECT_EQ(position, 99) << "without the flag the position is left alone";
  EXPECT_EQ(regex_.MatchText(2, position, true), "中a文"_gbk);
  EXPECT_EQ(position, 10);
  EXPECT_EQ(regex_.SubMatchText(1, 1, position, true), "国"_gbk);
  EXPECT_EQ(position, 4);
  EXPECT_EQ(regex_.SubMatchText(2, 1, position, true), "a");
  EXPECT_EQ(position, 12);
}

TEST_F(RegexObjectTest, PositionIsNotFooledByAnEarlierCopyBehindDoubleByteCharacters) {
  // The second "ab" starts at character 6 but byte 9; a search from byte 6
  // would land on the first one.
  ASSERT_TRUE(regex_.Create("ab", "一二三ab ab"_gbk));
  int position = 0;
  regex_.MatchText(2, position, true);
  EXPECT_EQ(position, 9);
}

TEST_F(RegexObjectTest, CopiesReadTheSameSearchAndCreateOnACopyLeavesTheOriginal) {
  ASSERT_TRUE(regex_.Create("\\d+", "12 345"));
  RegexObject copy = regex_;
  EXPECT_EQ(copy.MatchCount(), 2);
  int position = 0;
  EXPECT_EQ(copy.MatchText(2, position), "345");
  ASSERT_TRUE(copy.Create("x", "xyz"));
  EXPECT_EQ(copy.GetPattern(), "x");
  EXPECT_EQ(regex_.GetPattern(), "\\d+");
  EXPECT_EQ(Match(2), "345");
}

}  // namespace
}  // namespace kestrilo
