#include "web/reply_charset.h"

#include <string>

#include <gtest/gtest.h>

#include "platform/platform_classes.h"
#include "runtime/gbk.h"

#include "support/named_rows.h"
#include "support/recording_ui_port.h"

namespace kestrilo {
namespace {

// Big5 bytes of 繁體中文.
const Text kBig5 = "\xC1\x63\xC5\xE9\xA4\xA4\xA4\xE5";
const Text kZero(1, '\0');

struct CharsetRow {
  const char* name;
  Text body;      // the page's bytes as they came
  Text expected;  // GBK
};

class DecodeReplyTextTest : public ::testing::TestWithParam<CharsetRow> {
 protected:
  void SetUp() override { RegisterPlatformClasses(); }
};

TEST_P(DecodeReplyTextTest, GivesTheReplyAsGbk) {
  const CharsetRow& row = GetParam();
  const Bytes bytes(row.body.begin(), row.body.end());
  // The unconverted reply text ends at the first zero byte.
  const Text text = row.body.substr(0, row.body.find('\0'));
  testing::RecordingUiPort port;
  EXPECT_EQ(DecodeReplyText(text, bytes), row.expected);
  EXPECT_EQ(port.event_passes, 1);
}

const Text kUtf8Page =
    "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
    "</head><body><a>长尾关键词</a></body>";
const Text kGbkPage = "<meta charset=gbk><p>长尾词</p>"_gbk;
const Text kLatePage = "<html>" + Text(1100, ' ') + "<meta charset=utf-8><p>长尾</p>";
const Text kBrokenTag =
    "<meta http-equiv=\"Content-Type\"\r\n content=\"text/html; charset=utf-8\"><p>长尾</p>";
const Text kScriptReply = "window.bdsug.sug({q:\"长尾\",p:false,s:[\"长尾词\"]});";

// Rows whose body holds a zero byte tell a conversion, which keeps what
// follows it, from the unchanged reply text, which ends there.
INSTANTIATE_TEST_SUITE_P(
    Rows, DecodeReplyTextTest,
    ::testing::Values(
        CharsetRow{"Utf8DeclarationDecodesChineseToGbk", kUtf8Page, GbkFromUtf8(kUtf8Page)},
        CharsetRow{"QuotedCapitalsAreFound", "<META CHARSET=\"UTF-8\"><p>挖掘</p>",
                   "<META CHARSET=\"UTF-8\"><p>挖掘</p>"_gbk},
        CharsetRow{"GbkDeclarationLeavesTheTextCutAtZero",
                   "<meta charset=gbk>长尾"_gbk + kZero + "词"_gbk, "<meta charset=gbk>长尾"_gbk},
        CharsetRow{"Gb2312DeclarationLeavesTheTextCutAtZero",
                   "<meta charset='gb2312'>长尾"_gbk + kZero + "词"_gbk,
                   "<meta charset='gb2312'>长尾"_gbk},
        CharsetRow{"GbkInCapitalsIsConvertedToTheSameText",
                   "<meta charset=GBK>长尾"_gbk + kZero + "词"_gbk,
                   "<meta charset=GBK>长尾"_gbk + kZero + "词"_gbk},
        CharsetRow{"Gb2312InCapitalsIsConvertedToTheSameText",
                   "<meta charset=GB2312>长尾"_gbk + kZero + "词"_gbk,
                   "<meta charset=GB2312>长尾"_gbk + kZero + "词"_gbk},
        CharsetRow{"ValidGbkPageComesBackAsItIs", kGbkPage, kGbkPage},
        CharsetRow{"DeclarationBehindTheFirst1024BytesIsIgnored", kLatePage, kLatePage},
        CharsetRow{"TagBrokenOverTwoLinesIsIgnored", kBrokenTag, kBrokenTag},
        CharsetRow{"ReplyWithoutMetaTagIsUnchanged", kScriptReply, kScriptReply},
        CharsetRow{"ConvertedTextKeepsWhatFollowsAZeroByte",
                   "<meta charset=utf-8>前" + kZero + "后",
                   "<meta charset=utf-8>前"_gbk + kZero + "后"_gbk},
        CharsetRow{"Big5PageIsDecoded", "<meta charset=big5>" + kBig5,
                   "<meta charset=big5>繁體中文"_gbk},
        CharsetRow{"UnknownCharsetLeavesAGbkPageAsItIs", "<meta charset=x-klingon>长尾"_gbk,
                   "<meta charset=x-klingon>长尾"_gbk}),
    RowName());

}  // namespace
}  // namespace kestrilo
