#include "web/url_parts.h"

#include <string>

#include <gtest/gtest.h>

#include "runtime/gbk.h"

#include "support/named_rows.h"

namespace kestrilo {
namespace {

struct UrlRow {
  const char* name;
  Text address;
  Text host;
  Text host_with_port;
  int port;
  Text path;
};

class UrlPartsTest : public ::testing::TestWithParam<UrlRow> {};

TEST_P(UrlPartsTest, SplitsTheAddress) {
  const UrlRow& row = GetParam();
  EXPECT_EQ(UrlHost(row.address), row.host);
  EXPECT_EQ(UrlHost(row.address, true), row.host_with_port);
  EXPECT_EQ(UrlPort(row.address), row.port);
  EXPECT_EQ(UrlPath(row.address), row.path);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UrlPartsTest,
    ::testing::Values(UrlRow{"HttpsWithPortAndQuery",
                             "https://Data.Example.com:8443/Key/word?q=1&r=/x", "data.example.com",
                             "data.example.com:8443", 8443, "/Key/word?q=1&r=/x"},
                      UrlRow{"NoSchemeAndNoSlashIsPlainHttpAtTheRoot", "example.com", "example.com",
                             "example.com", 80, "/"},
                      UrlRow{"UpperCaseSchemeIsSecure", "HTTPS://Example.COM/Path?Q=A",
                             "example.com", "example.com", 443, "/Path?Q=A"},
                      UrlRow{"PlainHttpKeepsPathAndQuery",
                             "http://w.sugg.sogou.com/sugg/ajaj_json.jsp?key=a", "w.sugg.sogou.com",
                             "w.sugg.sogou.com", 80, "/sugg/ajaj_json.jsp?key=a"},
                      UrlRow{"SchemeAndHostOnlyRequestTheRoot", "https://m.baidu.com",
                             "m.baidu.com", "m.baidu.com", 443, "/"},
                      UrlRow{"NoSchemeWithPortAndPath", "Example.com:8080/a#b", "example.com",
                             "example.com:8080", 8080, "/a#b"},
                      UrlRow{"GbkPathKeepsItsBytes", "http://A.com/s?wd=长尾词"_gbk, "a.com",
                             "a.com", 80, "/s?wd=长尾词"_gbk}),
    RowName());

}  // namespace
}  // namespace kestrilo
