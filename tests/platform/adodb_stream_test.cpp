#include "platform/adodb_stream.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "runtime/automation_calls.h"
#include "runtime/gbk.h"

namespace kestrilo {
namespace {

constexpr int kException = -11;

Bytes BytesOf(std::string_view raw) { return Bytes(raw.begin(), raw.end()); }

class AdodbStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterAdodbStream();
    ASSERT_TRUE(ObjCreate(stream_, "Adodb.Stream"));
  }

  // The reply decoding's calls, in its order, stopping short of ReadText.
  void Load(std::string_view body, std::string_view charset) {
    Variant data;
    ASSERT_TRUE(VarAssign(data, Arg(BytesOf(body))));
    ObjSetProperty(stream_, "Type", {1});
    ObjSetProperty(stream_, "Mode", {3});
    ObjCall(stream_, "Open");
    ObjCall(stream_, "Write", {data});
    ObjSetProperty(stream_, "Position", {0});
    ObjSetProperty(stream_, "Type", {2});
    ObjSetProperty(stream_, "Charset", {charset});
  }

  // Whether the last call failed as misuse should: an exception that says why.
  ::testing::AssertionResult Refused(std::string_view what) {
    if (ObjLastErrorCode() != kException) {
      return ::testing::AssertionFailure() << what << " gave code " << ObjLastErrorCode();
    }
    if (ObjLastExceptionDescription().empty()) {
      return ::testing::AssertionFailure() << what << " gave no description";
    }
    return ::testing::AssertionSuccess();
  }

  ObjectRef stream_;
};

struct DecodeRow {
  std::string_view name;
  std::string_view body;
  std::string_view charset;
  std::string_view expected_utf8;  // what the GBK result spells
};

void PrintTo(const DecodeRow& row, std::ostream* os) { *os << row.name; }

// clang-format off
constexpr DecodeRow kDecodeRows[] = {
    {"DecodesUtf8ChineseIntoGbk", "长尾词 seo", "utf-8", "长尾词 seo"},
    {"TakesACharsetNameInCapitals", "长尾词", "UTF-8", "长尾词"},
    {"ReadsGb2312AsGbk", "\xD6\xD0\xCE\xC4", "gb2312", "中文"},
    {"ReadsGbkInCapitalsTheSame", "\xD6\xD0\xCE\xC4", "GBK", "中文"},
    {"DecodesBig5", "\xA4\xA4\xA4\xE5", "big5", "中文"},
    {"DecodesLatin1", "caf\xE9", "iso-8859-1", "café"},
    {"DecodesWindows1252Quotes", "\x93q\x94", "windows-1252", "“q”"},
    {"DecodesUnicodeAsUtf16Le", std::string_view("A\0B\0", 4), "unicode", "AB"},
    {"LeavesAGbkBodyAsItWasForAnUnknownCharset", "\xD6\xD0\xCE\xC4", "x-no-such-set", "中文"},
};
// clang-format on

class AdodbStreamDecodeTest : public AdodbStreamTest,
                              public ::testing::WithParamInterface<DecodeRow> {};

TEST_P(AdodbStreamDecodeTest, ReadTextGivesTheBodyInGbk) {
  const DecodeRow& row = GetParam();
  Load(row.body, row.charset);
  EXPECT_EQ(ObjCallText(stream_, "ReadText"), GbkFromUtf8(row.expected_utf8));
  EXPECT_EQ(ObjLastErrorCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, AdodbStreamDecodeTest, ::testing::ValuesIn(kDecodeRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(AdodbStreamTest, UnknownCharsetIsRefusedAndTheOldOneKept) {
  Load("ab", "utf-8");
  EXPECT_FALSE(ObjSetProperty(stream_, "Charset", {"x-no-such-set"}));
  EXPECT_TRUE(Refused("Charset"));
  EXPECT_NE(ObjLastExceptionDescription().find("x-no-such-set"), Text::npos);
  EXPECT_EQ(ObjGetText(stream_, "Charset"), "utf-8");
}

TEST_F(AdodbStreamTest, ZeroByteInsideTheBodyIsDecodedWithWhatFollows) {
  Load(std::string_view("a\0\xE4\xB8\xAD", 5), "utf-8");
  const Variant text = ObjCallVariant(stream_, "ReadText");
  ASSERT_EQ(text.type(), VarType::kBstr);
  EXPECT_EQ(text.bstr(), std::u16string(u"a\0中", 3));
}

TEST_F(AdodbStreamTest, ReadTextCountTakesThatManyCharactersAndMovesByTheirBytes) {
  Load("长尾词", "utf-8");
  EXPECT_EQ(ObjCallText(stream_, "ReadText", {1}), "长"_gbk);
  EXPECT_EQ(ObjGetNumber(stream_, "Position"), 3);
  EXPECT_EQ(ObjCallText(stream_, "ReadText", {-1}), "尾词"_gbk);
  EXPECT_EQ(ObjGetNumber(stream_, "Position"), 9);
}

TEST_F(AdodbStreamTest, CallsNeedingAnOpenStreamAreRefusedBeforeOpenAndAfterClose) {
  const Variant data = Variant::ByteArray(BytesOf("ab"));
  for (const bool opened_once : {false, true}) {
    SCOPED_TRACE(opened_once ? "after Close" : "before Open");
    if (opened_once) {
      ObjCall(stream_, "Open");
      ObjCall(stream_, "Close");
      ASSERT_EQ(ObjLastErrorCode(), 0);
    }
    ObjCall(stream_, "Write", {data});
    EXPECT_TRUE(Refused("Write"));
    ObjGetNumber(stream_, "Position");
    EXPECT_TRUE(Refused("Position"));
    ObjGetNumber(stream_, "Size");
    EXPECT_TRUE(Refused("Size"));
    ObjCallText(stream_, "ReadText");
    EXPECT_TRUE(Refused("ReadText"));
    ObjCall(stream_, "Close");
    EXPECT_TRUE(Refused("Close"));
  }
}

TEST_F(AdodbStreamTest, WriteOverwritesAtThePositionAndExtends) {
  ObjSetProperty(stream_, "Type", {1});
  ObjCall(stream_, "Open");
  ObjCall(stream_, "Write", {Variant::ByteArray(BytesOf("abcd"))});
  EXPECT_EQ(ObjGetNumber(stream_, "Position"), 4);
  ObjSetProperty(stream_, "Position", {2});
  ObjCall(stream_, "Write", {Variant::ByteArray(BytesOf("XYZ"))});
  EXPECT_EQ(ObjGetNumber(stream_, "Size"), 5);
  // Past the end the stream grows with zeros.
  ASSERT_TRUE(ObjSetProperty(stream_, "Position", {7}));
  ObjSetProperty(stream_, "Position", {0});
  EXPECT_EQ(ObjCallVariant(stream_, "Read"), Variant::ByteArray(BytesOf({"abXYZ\0\0", 7})));
  ObjCall(stream_, "Write", {"text"});
  EXPECT_TRUE(Refused("Write of a text"));
}

TEST_F(AdodbStreamTest, TypeCharsetAndModeStayOnceReadingHasBegun) {
  Load("ab", "gbk");
  ObjCallText(stream_, "ReadText", {1});
  EXPECT_FALSE(ObjSetProperty(stream_, "Type", {1}));
  EXPECT_TRUE(Refused("Type"));
  EXPECT_FALSE(ObjSetProperty(stream_, "Charset", {"utf-8"}));
  EXPECT_TRUE(Refused("Charset"));
  EXPECT_FALSE(ObjSetProperty(stream_, "Mode", {1}));
  EXPECT_TRUE(Refused("Mode"));
  EXPECT_EQ(ObjGetNumber(stream_, "Type"), 2);
  EXPECT_EQ(ObjGetText(stream_, "Charset"), "gbk");
  ObjCall(stream_, "Write", {Variant::ByteArray(BytesOf("c"))});
  EXPECT_TRUE(Refused("Write to a text stream"));
}

TEST_F(AdodbStreamTest, WriteTextEncodesWithTheCharset) {
  ObjCall(stream_, "Open");
  ObjSetProperty(stream_, "Charset", {"utf-8"});
  ObjCall(stream_, "WriteText", {"中"_gbk, 1});
  ObjSetProperty(stream_, "Position", {0});
  ObjSetProperty(stream_, "Type", {1});
  EXPECT_EQ(ObjCallVariant(stream_, "Read"), Variant::ByteArray(BytesOf("\xE4\xB8\xAD\r\n")));
}

TEST_F(AdodbStreamTest, ClassIsFoundByProgIdInAnyCaseAndByClsid) {
  ObjectRef other;
  EXPECT_TRUE(ObjCreate(other, "ADODB.STREAM"));
  EXPECT_TRUE(ObjCreate(other, "{00000566-0000-0010-8000-00AA006D2EA4}"));
}

}  // namespace
}  // namespace kestrilo
