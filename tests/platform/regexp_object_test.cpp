#include "platform/regexp_object.h"

#include <chrono>
#include <ostream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "runtime/automation_calls.h"
#include "runtime/gbk.h"

namespace kestrilo {
namespace {

constexpr int kIgnoreCase = 1;
constexpr int kMultiline = 2;
constexpr int kGlobal = 4;
constexpr int kSingleline = 8;

ObjectRef NewRegExp(std::u16string_view pattern, int flags) {
  RegisterRegExp();
  RegisterRegExp();  // a second registration must not disturb the first
  ObjectRef re;
  EXPECT_TRUE(ObjCreate(re, "vbscript.regexp"));
  ObjSetProperty(re, "IgnoreCase", {(flags & kIgnoreCase) != 0});
  ObjSetProperty(re, "Multiline", {(flags & kMultiline) != 0});
  ObjSetProperty(re, "Global", {(flags & kGlobal) != 0});
  ObjSetProperty(re, "Singleline", {(flags & kSingleline) != 0});
  ObjSetProperty(re, "Pattern", {Variant::Bstr(std::u16string(pattern))});
  return re;
}

std::u16string Ascii16(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

// "[FirstIndex,Length]Value" for every match, separated by spaces.
std::u16string DescribeMatches(const ObjectRef& re, std::u16string_view subject) {
  const ObjectRef matches = ObjCallObject(re, "Execute", {Variant::Bstr(std::u16string(subject))});
  EXPECT_EQ(ObjLastErrorCode(), 0) << ObjLastExceptionDescription();
  std::u16string out;
  const int count = static_cast<int>(ObjGetNumber(matches, "Count"));
  for (int i = 0; i < count; ++i) {
    const ObjectRef match = ObjGetObject(matches, "Item", {i});
    if (i > 0) out += u' ';
    out += Ascii16("[" + std::to_string(static_cast<int>(ObjGetNumber(match, "FirstIndex"))) + "," +
                   std::to_string(static_cast<int>(ObjGetNumber(match, "Length"))) + "]");
    out += ObjGetVariant(match, "Value").bstr();
  }
  return out;
}

struct MatchRow {
  const char* name;
  std::u16string_view pattern;
  int flags;
  std::u16string_view subject;
  std::u16string_view expected;
};

// clang-format off
constexpr MatchRow kMatchRows[] = {
    {"DefaultFlagsFindTheFirstMatchInExactCase", u"a", 0, u"AbaBa", u"[2,1]a"},
    {"GlobalFindsEveryMatch", u"a", kGlobal, u"AbaBa", u"[2,1]a [4,1]a"},
    {"IgnoreCaseMatchesEitherCase", u"b", kIgnoreCase | kGlobal, u"AbaBa", u"[1,1]b [3,1]B"},
    {"CaretWithoutMultilineOnlyAtTheStart", u"^\\w+", kGlobal, u"one\r\ntwo\nthree", u"[0,3]one"},
    {"MultilineAnchorsAtEveryLineBreak", u"^\\w+$", kGlobal | kMultiline, u"one\r\ntwo\nthree",
     u"[0,3]one [5,3]two [9,5]three"},
    {"DollarWithoutMultilineIgnoresAFinalLineBreak", u"o$", kGlobal, u"two\n", u""},
    {"DotStopsAtCrAndLf", u"a.b", kGlobal, u"a\nb a\rb a-b", u"[8,3]a-b"},
    {"SinglelineLeavesDotAtLineEnds", u"a.b", kGlobal | kSingleline, u"a\nb a-b", u"[4,3]a-b"},
    {"LazyQuantifierTakesTheShortest", u"<.+?>", kGlobal, u"<a><b>", u"[0,3]<a> [3,3]<b>"},
    {"WordClassIsAsciiOnly", u"\\w+", kGlobal, u"ab中文cd_1", u"[0,2]ab [4,4]cd_1"},
    {"PositionsCountUtf16UnitsBehindChineseAndNonBmp", u"x+", kGlobal, u"中😀xx", u"[3,2]xx"},
    {"DotTakesANonBmpCharacterWhole", u".x", 0, u"中😀x", u"[1,3]😀x"},
    {"UnicodeEscapeNamesACharacter", u"\\u4e2d.", 0, u"a中b", u"[1,2]中b"},
    {"UnsetBackReferenceMatchesEmpty", u"(a)?\\1b", 0, u"b", u"[0,1]b"},
    {"EmptyMatchesStepOneCharacter", u"x*", kGlobal, u"ab", u"[0,0] [1,0] [2,0]"},
    {"EmptyMatchNeverStopsInsideASurrogatePair", u"x*", kGlobal, u"😀", u"[0,0] [2,0]"},
    {"EmptyMatchMayFollowANonEmptyOne", u"a*", kGlobal, u"baa", u"[0,0] [1,2]aa [3,0]"},
    {"CrLfIsOneLineEnd", u"$", kGlobal | kMultiline, u"a\r\nb", u"[1,0] [4,0]"},
};
// clang-format on

void PrintTo(const MatchRow& row, std::ostream* os) { *os << row.name; }

class RegExpMatchTest : public ::testing::TestWithParam<MatchRow> {};

TEST_P(RegExpMatchTest, Execute) {
  const MatchRow& row = GetParam();
  EXPECT_EQ(DescribeMatches(NewRegExp(row.pattern, row.flags), row.subject), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, RegExpMatchTest, ::testing::ValuesIn(kMatchRows),
                         [](const auto& row) { return std::string(row.param.name); });

struct ReplaceRow {
  const char* name;
  std::u16string_view pattern;
  int flags;
  std::u16string_view subject;
  std::u16string_view replacement;
  std::u16string_view expected;
};

// clang-format off
constexpr ReplaceRow kReplaceRows[] = {
    {"NumberedGroupsSwap", u"(\\w+)@(\\w+)", 0, u"me@host", u"$2 at $1", u"host at me"},
    {"WholeMatchEverywhere", u"o", kGlobal, u"foo", u"[$&]", u"f[o][o]"},
    {"WithoutGlobalOnlyTheFirst", u"o", 0, u"foo", u"0", u"f0o"},
    {"DoubleDollarIsOneDollar", u"o", 0, u"fo", u"$$", u"f$"},
    {"TextsBeforeAndAfterTheMatch", u"b", 0, u"abc", u"[$`|$']", u"a[a|c]c"},
    {"MissingGroupStaysLiteral", u"(b)", 0, u"abc", u"$2$0$x$", u"a$2$0$x$c"},
    {"TwoDigitsOnlyWhenThatGroupExists", u"(b)", 0, u"abc", u"$10", u"ab0c"},
    {"TwoDigitGroupNumber", u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", 0, u"abcdefghij", u"$10$1",
     u"ja"},
    {"UnmatchedGroupIsEmpty", u"(x)?b", 0, u"ab", u"[$1]", u"a[]"},
    {"EmptyMatchesGetReplacedBetweenCharacters", u"x*", kGlobal, u"a中", u"-", u"-a-中-"},
    {"NonBmpSubjectKeepsItsPairs", u"b", kGlobal, u"😀b😀", u"中", u"😀中😀"},
};
// clang-format on

void PrintTo(const ReplaceRow& row, std::ostream* os) { *os << row.name; }

class RegExpReplaceTest : public ::testing::TestWithParam<ReplaceRow> {};

TEST_P(RegExpReplaceTest, Replace) {
  const ReplaceRow& row = GetParam();
  const Variant result = ObjCallVariant(
      NewRegExp(row.pattern, row.flags), "Replace",
      {Variant::Bstr(std::u16string(row.subject)), Variant::Bstr(std::u16string(row.replacement))});
  ASSERT_EQ(result.type(), VarType::kBstr) << ObjLastError();
  EXPECT_EQ(result.bstr(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, RegExpReplaceTest, ::testing::ValuesIn(kReplaceRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(RegExpObjectTest, SubMatchesGiveEachGroupAndEmptyForOneThatTookNoPart) {
  const ObjectRef matches = ObjCallObject(NewRegExp(u"(\\d+)-(x)?(\\w)", 0), "Execute", {"12-y"});
  const ObjectRef subs = ObjGetObject(ObjGetObject(matches, "Item", {0}), "SubMatches");
  ASSERT_EQ(ObjGetNumber(subs, "Count"), 3);
  EXPECT_EQ(ObjGetText(subs, "Item", {0}), "12");
  EXPECT_TRUE(ObjGetVariant(subs, "Item", {1}).IsEmpty());
  EXPECT_EQ(ObjGetText(subs, "Item", {2}), "y");
  ObjGetVariant(subs, "Item", {3});
  EXPECT_EQ(ObjLastErrorCode(), -11);
}

TEST(RegExpObjectTest, ItemTakesAFloatingPointIndexAndRefusesOneOutOfRange) {
  const ObjectRef matches = ObjCallObject(NewRegExp(u"\\d", kGlobal), "Execute", {"a1b2"});
  EXPECT_EQ(ObjGetText(ObjGetObject(matches, "Item", {1.0}), "Value"), "2");
  for (const double index : {-1.0, 2.0}) {
    EXPECT_EQ(ObjGetObject(matches, "Item", {index}), nullptr);
    EXPECT_EQ(ObjLastErrorCode(), -11) << index;
  }
}

TEST(RegExpObjectTest, PropertiesReadBackWhatWasWritten) {
  const ObjectRef re = NewRegExp(u"中+", kSingleline | kGlobal);
  EXPECT_EQ(ObjGetText(re, "Pattern"), "中+"_gbk);
  EXPECT_TRUE(ObjGetBool(re, "Singleline"));
  EXPECT_TRUE(ObjGetBool(re, "Global"));
  EXPECT_FALSE(ObjGetBool(re, "IgnoreCase"));
  ObjSetProperty(re, "IgnoreCase", {true});
  EXPECT_TRUE(ObjGetBool(re, "IgnoreCase"));
}

TEST(RegExpObjectTest, ChangingAFlagAfterASearchRecompiles) {
  const ObjectRef re = NewRegExp(u"A", 0);
  EXPECT_FALSE(ObjCallVariant(re, "Test", {"a"}).boolean());
  ObjSetProperty(re, "IgnoreCase", {true});
  EXPECT_TRUE(ObjCallVariant(re, "Test", {"a"}).boolean());
  ObjSetProperty(re, "Pattern", {"b"});
  EXPECT_FALSE(ObjCallVariant(re, "Test", {"a"}).boolean());
}

TEST(RegExpObjectTest, CreatesByClsidToo) {
  RegisterRegExp();
  ObjectRef re;
  EXPECT_TRUE(ObjCreate(re, "{3F4DACA4-160D-11D2-A8E9-00104B365C9F}"));
}

TEST(RegExpObjectTest, BadPatternFailsEveryMethodWithTheEnginesMessage) {
  const ObjectRef re = NewRegExp(u"(a", 0);
  for (const char* method : {"Execute", "Test", "Replace"}) {
    const Variant result = std::string_view(method) == "Replace"
                               ? ObjCallVariant(re, method, {"a", "b"})
                               : ObjCallVariant(re, method, {"a"});
    EXPECT_TRUE(result.IsEmpty()) << method;
    EXPECT_EQ(ObjLastErrorCode(), -11) << method;
    EXPECT_EQ(ObjLastError(), "发现异常"_gbk) << method;
    EXPECT_NE(ObjLastExceptionDescription().find("missing closing parenthesis"), std::string::npos)
        << method << ": " << ObjLastExceptionDescription();
  }
}

TEST(RegExpObjectTest, CatastrophicBacktrackingStopsWithAnException) {
  const ObjectRef re = NewRegExp(u"^(\\w+\\s?)*$", kGlobal | kMultiline);
  const std::string subject = std::string(4000, 'a') + "!";
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(ObjCallObject(re, "Execute", {subject}), nullptr);
  EXPECT_EQ(ObjLastErrorCode(), -11);
  EXPECT_NE(ObjLastExceptionDescription().find("limit"), std::string::npos)
      << ObjLastExceptionDescription();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
}

}  // namespace
}  // namespace kestrilo
