#include "runtime/gbk.h"

#include <string>

#include <gtest/gtest.h>

namespace kestrilo {
namespace {

TEST(GbkTest, RoundTripsTextGbkCanHold) {
  for (const std::string utf8 :
       {"关键词挖掘", "ASCII only", "全角：１２３，ａｂｃ", "“引号”", ""}) {
    EXPECT_EQ(Utf8FromGbk(GbkFromUtf8(utf8)), utf8);
  }
  EXPECT_EQ(GbkFromUtf8("关键词"), "\xB9\xD8\xBC\xFC\xB4\xCA");
  EXPECT_EQ(Utf8FromGbk("\xB9\xD8\xBC\xFC\xB4\xCA"), "关键词");
}

TEST(GbkTest, EachUnconvertibleCharacterBecomesOneQuestionMark) {
  EXPECT_EQ(GbkFromUtf8("a😀b"), "a?b");
  EXPECT_EQ(GbkFromUtf8("한글"), "??");
  EXPECT_EQ(GbkFromUtf8("x\xE4y"), "x?y");
  EXPECT_EQ(GbkFromUtf8("\xFF"
                        "abc"),
            "?abc");
  EXPECT_EQ(GbkFromUtf8("\x80\x80z"), "??z");
  EXPECT_EQ(GbkFromUtf8("ab\xE5\x85"), "ab?");
  EXPECT_EQ(Utf8FromGbk("\xFF"
                        "a"),
            "?a");
  EXPECT_EQ(Utf8FromGbk("\x81"
                        "0z"),
            "?0z");
  EXPECT_EQ(Utf8FromGbk("a\x81"), "a?");
}

TEST(GbkTest, OutputEndsAtEmbeddedZero) {
  EXPECT_EQ(GbkFromUtf8(std::string("ab\0cd", 5)), "ab");
  EXPECT_EQ(Utf8FromGbk(std::string("\xB9\xD8\0cd", 5)), "关");
}

}  // namespace
}  // namespace kestrilo
