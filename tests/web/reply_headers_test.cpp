#include "web/reply_headers.h"

#include <string>

#include <gtest/gtest.h>

#include "web/cookie_name.h"

#include "support/named_rows.h"
#include "support/recording_ui_port.h"

namespace kestrilo {
namespace {

const Text kFullWidthSpace = "\xA1\xA1";

struct ReplyRow {
  const char* name;
  Text block;
  Text cookies_before;
  Text status;
  Text cookies;
  Text location;  // "keep" when the variable must stay as it was
};

class ReadReplyHeadersTest : public ::testing::TestWithParam<ReplyRow> {};

TEST_P(ReadReplyHeadersTest, DerivesStatusCookiesAndLocation) {
  const ReplyRow& row = GetParam();
  Text cookies = row.cookies_before;
  Text location = "keep";
  EXPECT_EQ(ReadReplyHeaders(row.block, cookies, location), row.status);
  EXPECT_EQ(cookies, row.cookies);
  EXPECT_EQ(location, row.location);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadReplyHeadersTest,
    ::testing::Values(
        ReplyRow{"StatusIsTheRestOfTheStatusLine", "HTTP/1.1 302 Found\r\nServer: x\r\n\r\n", "",
                 "302 Found", "", "keep"},
        ReplyRow{"BlockWithoutLineEndHasNoStatus", "HTTP/1.1 200 OK", "", "", "", "keep"},
        ReplyRow{"SetCookieLinesGiveEntriesWithoutAttributes",
                 "HTTP/1.1 200 OK\r\nSet-Cookie: sid=abc; path=/\r\nSet-Cookie: theme=dark\r\n\r\n",
                 "", "200 OK", "sid=abc; theme=dark", "keep"},
        ReplyRow{"LowerCaseSetCookieIsNoCookie",
                 "HTTP/1.1 200 OK\r\nset-cookie: x=1; path=/\r\n\r\n", "", "200 OK", "", "keep"},
        ReplyRow{"SetCookieWithoutBlankAfterColonIsNoCookie",
                 "HTTP/1.1 200 OK\r\nSet-Cookie:x=1; path=/\r\n\r\n", "", "200 OK", "", "keep"},
        ReplyRow{"ReplyCookiesAreAppendedToWhatTheVariableHolds",
                 "HTTP/1.1 200 OK\r\nSet-Cookie: b=2;\r\n\r\n", "a=1; ", "200 OK", "a=1; b=2",
                 "keep"},
        ReplyRow{"LocationInAnyCaseIsTakenAndTheLastWins",
                 "HTTP/1.1 302 Found\r\nlocation: /next\r\nLOCATION: /last\r\n\r\n", "",
                 "302 Found", "", "/last"},
        ReplyRow{"LocationMustStartTheLine",
                 "HTTP/1.1 200 OK\r\nContent-Location: /x\r\nLocation:/y\r\n\r\n", "", "200 OK", "",
                 "keep"}),
    RowName());

TEST(ReadReplyHeaders, ProcessesEventsOncePerLine) {
  testing::RecordingUiPort port;
  Text cookies;
  Text location;
  // Status line, two header lines and the empty closing line.
  ReadReplyHeaders("HTTP/1.1 200 OK\r\nA: 1\r\nB: 2\r\n\r\n", cookies, location);
  EXPECT_EQ(port.event_passes, 4);
}

struct MergeRow {
  const char* name;
  Text cookies;
  Text new_cookies;
  Text merged;
  Text new_cookies_after;
};

class MergeReplyCookiesTest : public ::testing::TestWithParam<MergeRow> {};

TEST_P(MergeReplyCookiesTest, MergesIntoCookies) {
  const MergeRow& row = GetParam();
  Text cookies = row.cookies;
  Text new_cookies = row.new_cookies;
  EXPECT_EQ(MergeReplyCookies(cookies, new_cookies), row.merged);
  EXPECT_EQ(cookies, row.merged);
  EXPECT_EQ(new_cookies, row.new_cookies_after);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MergeReplyCookiesTest,
    ::testing::Values(
        MergeRow{"ReplyCookiesComeFirstAndReplaceSameNamedOnes", "a=1; b=2", "b=3; c=4",
                 "b=3; c=4; a=1", "b=3; c=4"},
        MergeRow{"DeletedReplyCookieDropsTheOldOne", "a=1; b=2", "b=deleted", "a=1", "b=deleted"},
        MergeRow{"TrailingSemicolonMergesLikeWithout", " a=1; b=2;", "b=3 ", "b=3; a=1", "b=3"},
        MergeRow{"ReplyTextEndingInSemicolonGetsItsBlank", "a=1", "b=3;", "b=3; a=1", "b=3; "},
        MergeRow{"OnlyTheFirstOfSameNamedOldCookiesIsKept", "a=1; a=2; b=1", "", "a=1; b=1", ""},
        MergeRow{"ExactDuplicatesCollapse", "x=0", "a=1; a=1", "a=1; x=0", "a=1; a=1"},
        MergeRow{"NamesCompareCaseSensitively", "A=1", "a=2", "a=2; A=1", "a=2"},
        MergeRow{"BlanksAroundANameDoNotMakeItAnother", "a =1", "a=2", "a=2", "a=2"},
        MergeRow{"EntryWithoutEqualsIsItsOwnName", "flag; a=1", "flag", "flag; a=1", "flag"},
        MergeRow{"OldDeletedEntriesAreDroppedToo", "a=deleted; b=1", "", "b=1", ""},
        MergeRow{"AllDeletedGivesEmpty", "a=1", "a=deleted", "", "a=deleted"}),
    RowName());

TEST(CookieName, IsTheTrimmedTextBeforeTheFirstEquals) {
  EXPECT_EQ(CookieName(" sid =a=b"), "sid");
  EXPECT_EQ(CookieName(kFullWidthSpace + "flag" + kFullWidthSpace), "flag");
  EXPECT_EQ(CookieName("=x"), "");
}

}  // namespace
}  // namespace kestrilo
