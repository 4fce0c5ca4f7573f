#include "web/request_headers.h"

#include <string>

#include <gtest/gtest.h>

#include "support/named_rows.h"

namespace kestrilo {
namespace {

const Text kUserAgent =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const Text kAccept = "Accept: text/html, application/xhtml+xml, */*";
const Text kEncoding = "Accept-Encoding: gbk, GB2312";
const Text kLanguage = "Accept-Language: zh-cn";
const Text kContentType = "Content-Type: application/x-www-form-urlencoded";
const Text kCache = "Cache-Control: no-cache";
const Text kCrLf = "\r\n";

constexpr int kGet = 0;
constexpr int kPost = 1;

struct BuildRow {
  const char* name;
  Text headers;
  int method;
  Text cookies;
  bool defaults;
  bool normalize;
  Text expected;
};

class BuildRequestHeadersTest : public ::testing::TestWithParam<BuildRow> {};

TEST_P(BuildRequestHeadersTest, ComposesTheBlock) {
  const BuildRow& row = GetParam();
  EXPECT_EQ(BuildRequestHeaders(row.headers, row.method, row.cookies, row.defaults, row.normalize),
            row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BuildRequestHeadersTest,
    ::testing::Values(
        BuildRow{
            "DefaultsAloneAreFiveLinesWithNoFinalLineEnd", "", kGet, "", true, true,
            kUserAgent + kCrLf + kAccept + kCrLf + kEncoding + kCrLf + kLanguage + kCrLf + kCache},
        BuildRow{"PostPutsContentTypeBetweenLanguageAndCacheControl", "", kPost, "", true, true,
                 kUserAgent + kCrLf + kAccept + kCrLf + kEncoding + kCrLf + kLanguage + kCrLf +
                     kContentType + kCrLf + kCache},
        BuildRow{"DefaultsWithoutNormalizationKeepTheirLineEnds", "", kGet, "", true, false,
                 kUserAgent + kCrLf + kAccept + kCrLf + kEncoding + kCrLf + kLanguage + kCrLf +
                     kCache + kCrLf},
        BuildRow{"LowerCaseUserAgentReplacesTheDefaultAndIsRenamed", "user-agent: bot", kGet, "",
                 true, true,
                 "User-Agent: bot\r\n" + kAccept + kCrLf + kEncoding + kCrLf + kLanguage + kCrLf +
                     kCache},
        BuildRow{"AcceptEncodingLineDoesNotHoldTheAcceptKey", "accept-encoding: identity", kGet, "",
                 true, true,
                 "Accept-Encoding: identity\r\n" + kUserAgent + kCrLf + kAccept + kCrLf +
                     kLanguage + kCrLf + kCache},
        BuildRow{"ContentTypeWithGetIsSentAndAddsNothing", "content-type: text/plain", kGet, "",
                 true, true,
                 "Content-Type: text/plain\r\n" + kUserAgent + kCrLf + kAccept + kCrLf + kEncoding +
                     kCrLf + kLanguage + kCrLf + kCache},
        BuildRow{"ContentTypeWithoutBlankSuppressesThePostDefault", "CONTENT-TYPE:text/plain",
                 kPost, "", true, true,
                 "CONTENT-TYPE:text/plain\r\n" + kUserAgent + kCrLf + kAccept + kCrLf + kEncoding +
                     kCrLf + kLanguage + kCrLf + kCache},
        BuildRow{"KeepAliveFollowedByOtherLinesIsRemoved", "Connection: keep-alive\r\nX-A: 1", kGet,
                 "", false, true, "X-A: 1"},
        BuildRow{"ConnectionCloseStays", "Connection: close\r\nX-A: 1", kGet, "", false, true,
                 "Connection: close\r\nX-A: 1"},
        BuildRow{"KeepAliveAsLastNormalizedLineStays", "X-A: 1\r\nconnection: keep-alive", kGet, "",
                 false, true, "X-A: 1\r\nConnection: keep-alive"},
        BuildRow{"KeepAliveLastButNotNormalizedIsRemoved", "X-A: 1\r\nConnection: keep-alive", kGet,
                 "", false, false, "X-A: 1\r\n"},
        BuildRow{"LinesWithoutColonAreDroppedByNormalization", "X-A: 1\r\nbogus\r\n\r\nx-b: 2",
                 kGet, "", false, true, "X-A: 1\r\nX-B: 2"},
        BuildRow{"WithoutNormalizationLinesGoAsGivenAndEndWithLineEnd", "bogus\r\nx-a: 1", kGet, "",
                 false, false, "bogus\r\nx-a: 1\r\n"},
        BuildRow{"CookiesFollowTheFixedCookiePrefix", "X-A: 1", kGet, "a=1", false, true,
                 "X-A: 1\r\nCookie: a=1\r\n"},
        BuildRow{"CookiesNamingTheirHeaderGoOnALineOfTheirOwn", "X-A: 1", kGet, "cookie: a=1",
                 false, true, "X-A: 1\r\ncookie: a=1\r\n"},
        BuildRow{"CallersCookieLineKeepsTheCookiesArgumentOut", "COOKIE: b=2", kGet, "a=1", false,
                 true, "COOKIE: b=2"},
        BuildRow{"NothingGivenIsAnEmptyBlock", "", kGet, "", false, true, ""}),
    RowName());

struct NormalizeRow {
  const char* name;
  Text block;
  Text expected;
};

class NormalizeHeadersTest : public ::testing::TestWithParam<NormalizeRow> {};

TEST_P(NormalizeHeadersTest, RewritesNamesOnly) {
  EXPECT_EQ(NormalizeHeaders(GetParam().block), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NormalizeHeadersTest,
    ::testing::Values(NormalizeRow{"EveryPartOfAHyphenatedNameIsCapitalized",
                                   "x-forwarded-for: a-b", "X-Forwarded-For: a-b"},
                      NormalizeRow{"OnlyFirstLettersChange", "cONTENT-tYPE: x", "CONTENT-TYPE: x"},
                      NormalizeRow{"HyphensAtTheEdgesAndDoubledStay", "-a--b-: x", "-A--B-: x"},
                      NormalizeRow{"BlanksAfterTheColonAndLaterColonsStay", "a:   b: c  ",
                                   "A:   b: c  "},
                      NormalizeRow{"GbkNameKeepsItsBytes", "\xB3\xA4-a: x", "\xB3\xA4-A: x"},
                      NormalizeRow{"ColonFirstKeepsTheLineWithAnEmptyName", ": x", ": x"},
                      NormalizeRow{"FinalLineEndIsDroppedAndEmptyLinesGo", "a: 1\r\n\r\nb: 2\r\n",
                                   "A: 1\r\nB: 2"}),
    RowName());

struct ValueRow {
  const char* name;
  Text block;
  Text header;
  Text expected;
};

class HeaderValueByNameTest : public ::testing::TestWithParam<ValueRow> {};

TEST_P(HeaderValueByNameTest, FindsTheValue) {
  EXPECT_EQ(HeaderValueByName(GetParam().block, GetParam().header), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HeaderValueByNameTest,
    ::testing::Values(ValueRow{"FirstLineStartingWithTheNameGivesItsValue",
                               "Accept: a\r\nConnection: keep-alive\r\nConnection: close",
                               "Connection", "keep-alive"},
                      ValueRow{"LongerNameStartingTheSameDecidesFirst",
                               "Connection-Mode: x\r\nConnection: keep-alive", "Connection", ""},
                      ValueRow{"NameCaseMustMatch", "connection: keep-alive", "Connection", ""},
                      ValueRow{"ValueFollowsTheLastMarkerInTheLine", "Connection: a, Connection: b",
                               "Connection", "b"}),
    RowName());

}  // namespace
}  // namespace kestrilo
