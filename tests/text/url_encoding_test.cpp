#include "text/url_encoding.h"

#include <ostream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "platform/adodb_stream.h"
#include "platform/script_control.h"
#include "runtime/gbk.h"
#include "text/code_page_conversion.h"

namespace kestrilo {
namespace {

class UrlEncodingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterScriptControl();
    RegisterAdodbStream();  // the fallback decodes through it
  }
};

// Texts are written in UTF-8 here and handed over as GBK.
struct EncodeRow {
  std::string_view name;
  std::string_view text;
  int mode;
  std::string_view expected;
};

void PrintTo(const EncodeRow& row, std::ostream* os) { *os << row.name; }

// clang-format off
constexpr EncodeRow kEncodeRows[] = {
    {"EncodeUriKeepsTheDelimitersAndEscapesASpace", "a b/c?d=1&e:f#g", 0, "a%20b/c?d=1&e:f#g"},
    {"EncodeUriComponentEscapesTheDelimitersToo", "a b/c?d=1&e:f#g", 1, "a%20b%2Fc%3Fd%3D1%26e%3Af%23g"},
    {"AnyOtherModeMeansEncodeUri", "a b/c", 7, "a%20b/c"},
    {"TwoChineseCharactersBecomeSixUpperCaseEscapes", "中文", 0, "%E4%B8%AD%E6%96%87"},
    {"LeavesTheUnreservedCharactersAlone", "Az09-_.!~*'()", 1, "Az09-_.!~*'()"},
    {"GivesEmptyForEmpty", "", 1, ""},
};
// clang-format on

class UrlEncodeTest : public UrlEncodingTest, public ::testing::WithParamInterface<EncodeRow> {};

TEST_P(UrlEncodeTest, Encodes) {
  EXPECT_EQ(UrlEncode(GbkFromUtf8(GetParam().text), GetParam().mode), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, UrlEncodeTest, ::testing::ValuesIn(kEncodeRows),
                         [](const auto& row) { return std::string(row.param.name); });

struct UnescapeRow {
  std::string_view name;
  std::string_view text;
  std::string_view expected;
};

void PrintTo(const UnescapeRow& row, std::ostream* os) { *os << row.name; }

// clang-format off
constexpr UnescapeRow kUnescapeRows[] = {
    {"DecodesEscapesAndKeepsTheLineBreak", "\\u4e2d\\u6587\r\n", "中文\r\n"},
    {"KeepsEveryLineBreak", "a\r\nb\r\n\r\n", "a\r\nb\r\n\r\n"},
    {"DropsALoneLeadingCarriageReturn", "\rab", "ab"},
    {"KeepsAnApostrophe", "it's", "it's"},
    {"TurnsARightSingleQuoteIntoAnApostrophe", "it’s", "it's"},
    {"DecodesTwoDigitPercentEscapesToo", "%41B", "AB"},
    {"ReadsOtherBackslashSequencesAsTheLiteralDoes", "a\\nb\\\\c", "a\nb\\c"},
    {"LeavesGbkTextAlone", "长尾词 seo", "长尾词 seo"},
    {"MarksACharacterGbkLacks", "\\ud83d\\ude00!", "?!"},
    {"GivesEmptyForEmpty", "", ""},
};
// clang-format on

class UnescapeUnicodeTest : public UrlEncodingTest,
                            public ::testing::WithParamInterface<UnescapeRow> {};

TEST_P(UnescapeUnicodeTest, Decodes) {
  EXPECT_EQ(UnescapeUnicode(GbkFromUtf8(GetParam().text)), GbkFromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Rows, UnescapeUnicodeTest, ::testing::ValuesIn(kUnescapeRows),
                         [](const auto& row) { return std::string(row.param.name); });

Bytes BytesOf(std::string_view raw) { return Bytes(raw.begin(), raw.end()); }

TEST_F(UrlEncodingTest, ATextEndingInASingleBackslashComesBackAsItsEscapedBytesReadAsUtf16) {
  const Text plain = UnicodeBytesToText(BytesOf("abc\\"));
  ASSERT_FALSE(plain.empty());
  ASSERT_NE(plain, "abc\\");
  EXPECT_EQ(UnescapeUnicode("abc\\"), plain);
  // The bytes read are those after "\u" became "%u".
  EXPECT_EQ(UnescapeUnicode("x\\u4e2d\\"), UnicodeBytesToText(BytesOf("x%u4e2d\\")));
}

}  // namespace
}  // namespace kestrilo
