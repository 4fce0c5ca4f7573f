#include "text/code_page_conversion.h"

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "platform/adodb_stream.h"
#include "runtime/code_pages.h"

namespace kestrilo {
namespace {

Bytes BytesOf(std::string_view raw) { return Bytes(raw.begin(), raw.end()); }

struct Utf8Row {
  std::string_view name;
  std::string_view utf8;
  std::string_view gbk;
};

void PrintTo(const Utf8Row& row, std::ostream* os) { *os << row.name; }

// clang-format off
constexpr Utf8Row kUtf8Rows[] = {
    {"LeavesAsciiUnchanged", "seo tools 2024!", "seo tools 2024!"},
    {"TurnsThreeUtf8BytesOfAChineseCharacterIntoTwoGbkBytes", "\xE4\xB8\xAD", "\xD6\xD0"},
    {"MarksACharacterGbkLacksWithAQuestionMark", "a\xF0\x9F\x98\x80" "b", "a?b"},
    {"MarksAMalformedByteWithAQuestionMark", "a\xFF" "b\xE4\xB8\xAD", "a?b\xD6\xD0"},
    {"GivesEmptyForEmpty", "", ""},
    {"EndsAtTheFirstZeroCharacter", std::string_view("a\0b", 3), "a"},
    {"MarksAnEncodedSurrogateOnce", "\xED\xA0\x80x", "?x"},
    {"MarksAnOverlongFormOnce", "\xC0\x80\xE0\x80\x80x", "??x"},
    {"MarksASequenceCutShortAtTheEnd", "x\xE4\xB8", "x?"},
    {"MarksACharacterPastTheLastOnce", "\xF4\x90\x80\x80x", "?x"},
    {"DropsALanguageTagAsIconvDoes", "a\xF3\xA0\x80\x80" "b", "ab"},
};
// clang-format on

class Utf8ToGbkTest : public ::testing::TestWithParam<Utf8Row> {};

TEST_P(Utf8ToGbkTest, Converts) {
  const Utf8Row& row = GetParam();
  EXPECT_EQ(Utf8ToGbk(Text(row.utf8)), row.gbk);
}

INSTANTIATE_TEST_SUITE_P(Rows, Utf8ToGbkTest, ::testing::ValuesIn(kUtf8Rows),
                         [](const auto& row) { return std::string(row.param.name); });

// The table conversion must give what the conversion through UTF-16 gives,
// for any bytes: random ones drawn mostly from lead, continuation, zero and
// ASCII bytes.
TEST(Utf8ToGbkTest, AgreesWithTheConversionThroughUtf16) {
  constexpr unsigned char kBytes[] = {0x00, 'a',  0x80, 0xBF, 0xC0, 0xC2, 0xDF, 0xE0, 0xE4, 0xB8,
                                      0xAD, 0xED, 0xA0, 0xEF, 0xF0, 0x90, 0xF4, 0x8F, 0xF5, 0xFF};
  std::uint32_t state = 12345;
  const auto next = [&state] { return state = state * 1103515245u + 12345u; };
  for (int i = 0; i < 20000; ++i) {
    Text utf8;
    for (std::uint32_t n = next() >> 27; n > 0; --n) {
      const std::uint32_t pick = next() >> 16;
      utf8 += static_cast<char>(pick % 4 == 0 ? pick >> 8 : kBytes[pick % sizeof kBytes]);
    }
    ASSERT_EQ(Utf8ToGbk(utf8), WideToText(TextToWide(utf8), 936)) << ::testing::PrintToString(utf8);
  }
  // And every character the table holds, or lacks, in one text.
  std::u16string characters;
  for (char16_t c = 1; c != 0; ++c) {
    if (c < 0xD800 || c > 0xDFFF) characters += c;
  }
  const Text every = WideToMultiByte(characters, kCodePageUtf8);
  EXPECT_EQ(Utf8ToGbk(every), WideToText(TextToWide(every), 936));
}

TEST(TextToWide, EndsWithOneZeroUnitInTheCodePageGiven) {
  EXPECT_EQ(TextToWide("A\xE4\xB8\xAD"), BytesOf({"A\0\x2D\x4E\0\0", 6}));
  EXPECT_EQ(TextToWide("A\xD6\xD0", 936), BytesOf({"A\0\x2D\x4E\0\0", 6}));
  EXPECT_EQ(TextToWide(""), BytesOf({"\0\0", 2}));
}

TEST(WideToText, StopsAtTheFirstZeroUnitAndDefaultsToGbk) {
  EXPECT_EQ(WideToText(BytesOf({"A\0B\0\0\0C\0", 8})), "AB");
  EXPECT_EQ(WideToText(BytesOf({"\x2D\x4E", 2})), "\xD6\xD0");
  EXPECT_EQ(WideToText(BytesOf({"\x2D\x4E", 2}), 65001), "\xE4\xB8\xAD");
  EXPECT_EQ(WideToText(BytesOf({"A\0B", 3})), "A");  // a lone last byte is no unit
}

class UnicodeBytesToTextTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterAdodbStream(); }
};

TEST_F(UnicodeBytesToTextTest, ReadsUtf16LeThroughTheStream) {
  EXPECT_EQ(UnicodeBytesToText(BytesOf({"A\0B\0", 4})), "AB");
  EXPECT_EQ(UnicodeBytesToText(BytesOf({"\x2D\x4E\x87\x65", 4})), "\xD6\xD0\xCE\xC4");
  EXPECT_EQ(UnicodeBytesToText(BytesOf({"\x3D\xD8\x00\xDE", 4})), "?");  // an emoji
  EXPECT_EQ(UnicodeBytesToText(BytesOf({"A\0\0\0B\0", 6})), "A");
  EXPECT_EQ(UnicodeBytesToText({}), "");
}

// Classes cannot be unregistered, so the unregistered case runs in a fresh
// copy of the test program, where no fixture has registered the stream yet.
TEST(UnicodeBytesToTextDeathTest, GivesEmptyTextWhenTheClassIsMissing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::exit(UnicodeBytesToText(BytesOf({"A\0B\0", 4})).empty() ? 0 : 1),
              ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kestrilo
