#include "runtime/variant.h"

#include <cmath>

#include <gtest/gtest.h>

#include "runtime/code_pages.h"
#include "runtime/gbk.h"

namespace kestrilo {
namespace {

struct ChangeRow {
  const char* name;
  Variant in;
  VarType to;
  HResult hr;
  Variant out;
};

class ChangeTypeTest : public ::testing::TestWithParam<ChangeRow> {};

TEST_P(ChangeTypeTest, Converts) {
  const ChangeRow& row = GetParam();
  Variant out = Variant::I4(-999);
  EXPECT_EQ(ChangeType(row.in, row.to, out), row.hr);
  if (row.hr == HResult::kOk) {
    EXPECT_EQ(out, row.out);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ChangeTypeTest,
    ::testing::Values(
        ChangeRow{"IntToText", Variant::I4(-12), VarType::kBstr, HResult::kOk,
                  Variant::Bstr(u"-12")},
        ChangeRow{"DoubleToTextIsShortest", Variant::R8(0.1), VarType::kBstr, HResult::kOk,
                  Variant::Bstr(u"0.1")},
        ChangeRow{"BoolToText", Variant::Bool(false), VarType::kBstr, HResult::kOk,
                  Variant::Bstr(u"False")},
        ChangeRow{"EmptyToText", Variant(), VarType::kBstr, HResult::kOk, Variant::Bstr(u"")},
        ChangeRow{"TextToInt", Variant::Bstr(u" 42 "), VarType::kI4, HResult::kOk, Variant::I4(42)},
        ChangeRow{"HexTextToInt", Variant::Bstr(u"&H1F"), VarType::kI4, HResult::kOk,
                  Variant::I4(31)},
        ChangeRow{"WordToIntFails", Variant::Bstr(u"4x"), VarType::kI4, HResult::kTypeMismatch,
                  Variant()},
        ChangeRow{"EmptyTextToIntFails", Variant::Bstr(u""), VarType::kI4, HResult::kTypeMismatch,
                  Variant()},
        ChangeRow{"HalfRoundsToEven", Variant::R8(2.5), VarType::kI4, HResult::kOk, Variant::I4(2)},
        ChangeRow{"OtherHalfRoundsToEven", Variant::R8(3.5), VarType::kI4, HResult::kOk,
                  Variant::I4(4)},
        ChangeRow{"IntOverflow", Variant::R8(3e9), VarType::kI4, HResult::kOverflow, Variant()},
        ChangeRow{"ByteOverflow", Variant::I4(256), VarType::kUI1, HResult::kOverflow, Variant()},
        ChangeRow{"TrueIsMinusOne", Variant::Bool(true), VarType::kI2, HResult::kOk,
                  Variant::I2(-1)},
        ChangeRow{"TextTrueToBool", Variant::Bstr(u"TRUE"), VarType::kBool, HResult::kOk,
                  Variant::Bool(true)},
        ChangeRow{"NumberTextToBool", Variant::Bstr(u"0"), VarType::kBool, HResult::kOk,
                  Variant::Bool(false)},
        ChangeRow{"ErrorToTextFails", Variant::Omitted(), VarType::kBstr, HResult::kTypeMismatch,
                  Variant()},
        ChangeRow{"NumberToObjectFails", Variant::I4(1), VarType::kDispatch, HResult::kTypeMismatch,
                  Variant()},
        ChangeRow{"DateOutOfRange", Variant::R8(1e7), VarType::kDate, HResult::kOverflow,
                  Variant()},
        ChangeRow{"AnyToVariantCopies", Variant::ByteArray({1}), VarType::kVariant, HResult::kOk,
                  Variant::ByteArray({1})}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(AutomationTextEdgeTest, GbkAndUtf16BothWays) {
  EXPECT_EQ(Utf16FromGbk("中a"_gbk), u"中a");
  EXPECT_EQ(GbkFromUtf16(u"中a"), "中a"_gbk);
  // A character GBK lacks, even one needing a surrogate pair, is one "?".
  EXPECT_EQ(GbkFromUtf16(u"a\U0001F600b"), "a?b");
  // Strings here are length-counted: a zero character does not end them.
  EXPECT_EQ(GbkFromUtf16(std::u16string(u"a\0b", 3)), std::string("a\0b", 3));
}

struct CodePageRow {
  const char* name;
  std::string bytes;
  unsigned code_page;
  std::u16string wide;
};

class CodePageTest : public ::testing::TestWithParam<CodePageRow> {};

TEST_P(CodePageTest, DecodesUpToTheFirstZero) {
  EXPECT_EQ(MultiByteToWide(GetParam().bytes, GetParam().code_page), GetParam().wide);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CodePageTest,
    ::testing::Values(CodePageRow{"Utf8",
                                  "\xE4\xB8\xAD"
                                  "a",
                                  kCodePageUtf8, u"中a"},
                      CodePageRow{"GbkByNumber", "\xD6\xD0", kCodePageGbk, u"中"},
                      CodePageRow{"AnsiIsGbk", "\xD6\xD0", kCodePageAnsi, u"中"},
                      CodePageRow{"StopsAtZero", std::string("ab\0cd", 5), kCodePageUtf8, u"ab"},
                      CodePageRow{"BadUtf8KeepsWhatFollows",
                                  "\xE4\xB8"
                                  "ab",
                                  kCodePageUtf8, u"?ab"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(CodePageTest, EncodesWithQuestionMarksForMissingCharacters) {
  EXPECT_EQ(WideToMultiByte(u"中\U0001F600", kCodePageGbk), "\xD6\xD0?");
  EXPECT_EQ(WideToMultiByte(u"中", kCodePageUtf8), "\xE4\xB8\xAD");
}

TEST(CharsetTest, NamesAsPagesWriteThem) {
  std::u16string out;
  EXPECT_TRUE(DecodeCharset("\xE4\xB8\xAD", "UTF-8", out));
  EXPECT_EQ(out, u"中");
  EXPECT_TRUE(DecodeCharset("\xD6\xD0", "gb2312", out));
  EXPECT_EQ(out, u"中");
  EXPECT_TRUE(DecodeCharset("\xA4\xA4", "big5", out));
  EXPECT_EQ(out, u"中");
  EXPECT_TRUE(DecodeCharset(std::string("A\0B\0", 4), "Unicode", out));
  EXPECT_EQ(out, u"AB");
  // Latin-1 labels read as windows-1252, as browsers do.
  EXPECT_TRUE(DecodeCharset("\x80\xE9", "iso-8859-1", out));
  EXPECT_EQ(out, u"\u20AC\u00E9");
  // The whole input is decoded, zero bytes included.
  EXPECT_TRUE(DecodeCharset(std::string("a\0b", 3), "utf-8", out));
  EXPECT_EQ(out, std::u16string(u"a\0b", 3));

  out = u"untouched";
  EXPECT_FALSE(DecodeCharset("abc", "x-no-such-charset", out));
  EXPECT_FALSE(DecodeCharset("abc", "", out));
  EXPECT_EQ(out, u"untouched");
  EXPECT_TRUE(IsKnownCharset("windows-1252"));
  EXPECT_FALSE(IsKnownCharset("x-no-such-charset"));
}

}  // namespace
}  // namespace kestrilo
