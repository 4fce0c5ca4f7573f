#include "web/inet_headers.h"

#include <optional>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "web/inet_cookies.h"

#include "support/named_rows.h"

namespace kestrilo {
namespace {

const Text kFullWidthSpace = "\xA1\xA1";
constexpr char kUrl[] = "http://w.sugg.sogou.com/sugg?key=a";
const Text kReferer = Text("Referer: ") + kUrl;
const Text kDefaultsAfterReferer =
    "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n"
    "Content-Type: application/x-www-form-urlencoded";

struct DefaultsRow {
  const char* name;
  Text headers;
  Text cookies;
  Text expected;
};

class AddInetHeaderDefaultsTest : public ::testing::TestWithParam<DefaultsRow> {};

TEST_P(AddInetHeaderDefaultsTest, AppendsTheMissingLines) {
  Text headers = GetParam().headers;
  AddInetHeaderDefaults(headers, kUrl, GetParam().cookies);
  EXPECT_EQ(headers, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AddInetHeaderDefaultsTest,
    ::testing::Values(
        DefaultsRow{"EmptyHeadersBecomeExactlyFourLines", "", "", kReferer + kDefaultsAfterReferer},
        DefaultsRow{"CookiesAddTheirLineLast", "", "a=1; b=2",
                    kReferer + kDefaultsAfterReferer + "\r\nCookie: a=1; b=2"},
        DefaultsRow{"LowerCaseAcceptStillGetsTheDefault", "accept: text/html", "",
                    "accept: text/html\r\n" + kReferer + kDefaultsAfterReferer},
        DefaultsRow{"AcceptLanguageIsNoAcceptLine", "Accept-Language: en", "",
                    "Accept-Language: en\r\n" + kReferer +
                        "\r\nAccept: */*\r\nContent-Type: application/x-www-form-urlencoded"},
        DefaultsRow{"GivenLinesKeepTheirDefaultsOut",
                    "Referer: r\r\nAccept: a\r\nAccept-Language: en\r\nContent-Type: t", "",
                    "Referer: r\r\nAccept: a\r\nAccept-Language: en\r\nContent-Type: t"},
        DefaultsRow{
            "CookieLineIsAddedBesideTheCallersOwn",
            "Referer: r\r\nAccept: a\r\nAccept-Language: en\r\nContent-Type: t\r\nCookie: b=2",
            "a=1",
            "Referer: r\r\nAccept: a\r\nAccept-Language: en\r\nContent-Type: t\r\n"
            "Cookie: b=2\r\nCookie: a=1"}),
    RowName());

TEST(HeaderValue, IsTheTrimmedTextBehindTheFirstColon) {
  EXPECT_EQ(HeaderValue("Location:  http://a/b?c=d  "), "http://a/b?c=d");
  EXPECT_EQ(HeaderValue("User-Agent: Foo: bar\r\nX: y"), "Foo: bar\r\nX: y");
  EXPECT_EQ(HeaderValue("A:" + kFullWidthSpace + "v" + kFullWidthSpace), "v");
  EXPECT_EQ(HeaderValue("no colon"), "");
}

struct ReplyRow {
  const char* name;
  Text block;
  Text location_before;
  Text location;
  Text new_cookies;
};

class ReadInetReplyHeadersTest : public ::testing::TestWithParam<ReplyRow> {};

TEST_P(ReadInetReplyHeadersTest, DerivesLocationAndCookies) {
  const ReplyRow& row = GetParam();
  Text response_headers;
  Text location = row.location_before;
  Text new_cookies = "stale=1";
  ReadInetReplyHeaders(row.block, response_headers, location, new_cookies);
  EXPECT_EQ(response_headers, row.block);
  EXPECT_EQ(location, row.location);
  EXPECT_EQ(new_cookies, row.new_cookies);
}

const Text kCookieReply =
    "HTTP/1.1 200 OK\r\nSet-Cookie: sid=abc; path=/\r\nset-cookie: x=1\r\n"
    "Set-Cookie: t=1; HttpOnly\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rows, ReadInetReplyHeadersTest,
    ::testing::Values(
        ReplyRow{"NoLocationLineGivesTheWholeBlock", kCookieReply, "", kCookieReply,
                 "sid=abc; t=1"},
        ReplyRow{"NoLocationLineKeepsAGivenLocation", kCookieReply, "/given", "/given",
                 "sid=abc; t=1"},
        ReplyRow{"SetCookieWithoutSemicolonGivesAnEmptyEntry",
                 "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nSet-Cookie: b=2; path=/\r\n\r\n", "/", "/",
                 "; b=2"},
        ReplyRow{"AnyLineHoldingLocationSetsItAndTheLastWins",
                 "HTTP/1.1 302 Found\r\nLocation: /a\r\nContent-Location: /b\r\n\r\n", "", "/b",
                 ""},
        ReplyRow{"LowerCaseLocationIsNotTaken", "HTTP/1.1 302 Found\r\nlocation: /a\r\n\r\n",
                 "/given", "/given", ""}),
    RowName());

Text BlockOfSize(std::size_t size) {
  Text block = "HTTP/1.1 302 Found\r\nLocation: /next\r\nSet-Cookie: a=1; path=/\r\nX: ";
  block += Text(size - block.size() - 4, 'x');
  block += "\r\n\r\n";
  return block;
}

struct BufferRow {
  const char* name;
  std::optional<Text> raw_block;
  bool fits;
};

class InetHeaderBufferTest : public ::testing::TestWithParam<BufferRow> {};

TEST_P(InetHeaderBufferTest, BlockIsTakenOnlyWhenItFits) {
  const BufferRow& row = GetParam();
  Text response_headers;
  Text location;
  Text new_cookies;
  ReadInetReplyHeaders(row.raw_block, response_headers, location, new_cookies);
  if (row.fits) {
    EXPECT_EQ(response_headers, *row.raw_block);
    EXPECT_EQ(location, "/next");
    EXPECT_EQ(new_cookies, "a=1");
  } else {
    EXPECT_EQ(response_headers, Text(5000, ' '));
    EXPECT_EQ(location, Text(5000, ' '));
    EXPECT_EQ(new_cookies, "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, InetHeaderBufferTest,
    ::testing::Values(BufferRow{"BlockOf4999BytesFitsBesideItsZero", BlockOfSize(4999), true},
                      BufferRow{"BlockOf5000BytesLeavesTheSpaces", BlockOfSize(5000), false},
                      BufferRow{"FailedQueryLeavesTheSpaces", std::nullopt, false}),
    RowName());

TEST(ReadInetReplyHeaders, BlockIsReadUpToAZeroByte) {
  Text response_headers;
  Text location = "/given";
  Text new_cookies;
  ReadInetReplyHeaders(std::string_view("HTTP/1.1 200 OK\r\n\0Set-Cookie: a=1;\r\n", 36),
                       response_headers, location, new_cookies);
  EXPECT_EQ(response_headers, "HTTP/1.1 200 OK\r\n");
  EXPECT_EQ(new_cookies, "");
}

struct MergeRow {
  const char* name;
  Text cookies;
  Text new_cookies;
  Text merged;
  Text new_cookies_after;
};

class MergeCookiesTest : public ::testing::TestWithParam<MergeRow> {};

TEST_P(MergeCookiesTest, MergesIntoCookies) {
  const MergeRow& row = GetParam();
  Text cookies = row.cookies;
  Text new_cookies = row.new_cookies;
  MergeCookies(cookies, new_cookies);
  EXPECT_EQ(cookies, row.merged);
  EXPECT_EQ(new_cookies, row.new_cookies_after);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MergeCookiesTest,
    ::testing::Values(
        MergeRow{"ReplyCookiesComeFirstAndReplaceSameNamedOnes", "a=1; b=2", "b=3; c=4",
                 "b=3; c=4; a=1", "b=3;c=4"},
        MergeRow{"DeletedCookieDisappears", "a=1; b=2", "b=deleted", "a=1", "b=deleted"},
        MergeRow{"EveryBlankIsRemoved", "a = 1 ;" + kFullWidthSpace + "b=2", "", "a=1; b=2", ""},
        MergeRow{"TrailingSeparatorGivesNoEntry", "a=1;", "", "a=1", ""},
        MergeRow{"OnlyTheFirstOfSameNamedOldCookiesIsKept", "a=1; a=2", "", "a=1", ""},
        MergeRow{"NamesCompareCaseSensitively", "A=1", "a=2", "a=2; A=1", "a=2"},
        MergeRow{"NothingGivesNothing", "", "", "", ""}),
    RowName());

// What the engine strings together around two exchanges that share one
// cookie variable.
TEST(InetCookieSession, SecondRequestCarriesTheFirstReplysCookiesUntilDeleted) {
  Text cookies;
  Text new_cookies;
  Text location;
  Text response_headers;
  ReadInetReplyHeaders("HTTP/1.1 200 OK\r\nSet-Cookie: sid=1; path=/\r\n\r\n", response_headers,
                       location, new_cookies);
  MergeCookies(cookies, new_cookies);
  ASSERT_EQ(cookies, "sid=1");

  Text headers;
  AddInetHeaderDefaults(headers, kUrl, cookies);
  EXPECT_EQ(headers, kReferer + kDefaultsAfterReferer + "\r\nCookie: sid=1");

  location.clear();
  ReadInetReplyHeaders("HTTP/1.1 200 OK\r\nSet-Cookie: sid=deleted; path=/\r\n\r\n",
                       response_headers, location, new_cookies);
  MergeCookies(cookies, new_cookies);
  EXPECT_EQ(cookies, "");
}

}  // namespace
}  // namespace kestrilo
