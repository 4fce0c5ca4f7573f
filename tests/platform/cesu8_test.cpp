#include "platform/cesu8.h"

#include <ostream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace kestrilo {
namespace {

struct DecodeRow {
  std::string_view name;
  std::string_view bytes;
  std::u16string_view utf16;
};

void PrintTo(const DecodeRow& row, std::ostream* os) { *os << row.name; }

// clang-format off
constexpr DecodeRow kDecodeRows[] = {
    {"KeepsAscii", "seo 2024", u"seo 2024"},
    {"DecodesTwoAndThreeByteCharacters", "\xC3\xA9\xE4\xB8\xAD", u"\u00e9\u4e2d"},
    {"JoinsSeparatelyEncodedSurrogatesIntoTheirPair", "\xED\xA0\xBD\xED\xB8\x80", u"\U0001F600"},
    {"SplitsAFourByteSequenceIntoAPair", "\xF0\x9F\x98\x80", u"\U0001F600"},
    {"KeepsALoneSurrogateAsItsUnit", "a\xED\xA0\xBD" "b", u"a\xD83D" "b"},
    {"ReplacesAStrayContinuationByte", "a\x80" "b", u"a\uFFFD" "b"},
    {"ReplacesEachByteOfAnOverlongForm", "\xC0\x80", u"\uFFFD\uFFFD"},
    {"ReplacesATruncatedSequenceAndKeepsWhatFollows", "\xE4\xB8" "a", u"\uFFFD\uFFFD" "a"},
    {"ReplacesACodePointPastUnicode", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
};
// clang-format on

class Utf16FromCesu8Test : public ::testing::TestWithParam<DecodeRow> {};

TEST_P(Utf16FromCesu8Test, Decodes) {
  EXPECT_EQ(Utf16FromCesu8(GetParam().bytes), GetParam().utf16);
}

INSTANTIATE_TEST_SUITE_P(Rows, Utf16FromCesu8Test, ::testing::ValuesIn(kDecodeRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(Cesu8FromUtf16Test, EncodesEachUnitOnItsOwnAndRoundTrips) {
  const std::u16string text = u"a\u00e9\u4e2d\U0001F600\xDC00";
  const std::string bytes = Cesu8FromUtf16(text);
  EXPECT_EQ(bytes, "a\xC3\xA9\xE4\xB8\xAD\xED\xA0\xBD\xED\xB8\x80\xED\xB0\x80");
  EXPECT_EQ(Utf16FromCesu8(bytes), text);
}

}  // namespace
}  // namespace kestrilo
