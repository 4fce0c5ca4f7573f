// Whole runs in which one of the six fake sites turns hostile while the
// other five answer from the fixtures. Whatever the hostile site does, the
// run has to end, in bounded time, with the other sites' keywords intact.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mining/engine_requests.h"
#include "mining/mining_run.h"
#include "mining/recipe_set.h"
#include "mining/recipe_source.h"
#include "platform/http_exchange.h"
#include "platform/platform_classes.h"
#include "runtime/gbk.h"
#include "text/remove_duplicates.h"

#include "support/built_in_sites.h"
#include "support/fake_sites.h"
#include "support/loopback_server.h"
#include "support/memory_mining_window.h"
#include "support/raw_http_server.h"
#include "support/recording_ui_port.h"

namespace kestrilo {
namespace {

using Clock = std::chrono::steady_clock;
using testing::BuiltInSites;
using testing::LoopbackServer;
using testing::RawConnection;
using testing::RawHttpServer;
using testing::ReadSiteFixture;
using testing::ShownTitleOf;
using testing::SiteFixtureFor;
using testing::SiteOf;
using testing::TlsIdentity;

// The sources whose sites turn hostile.
constexpr const char* kBaiduSuggest = "baidu suggestion";
constexpr const char* kSogou = "sogou suggestion";
constexpr const char* kChinaz = "chinaz index";
constexpr const char* kWordLib = "5guanjianci";
constexpr const char* kTaobao = "taobao suggestion";
constexpr const char* kBaiduMobile = "baidu mobile";

// Past this a run counts as hung: the transfers are cancelled so that the
// test fails instead of hanging the suite.
constexpr auto kHangLimit = std::chrono::seconds(30);
constexpr int kTimeoutSeconds = 2;

std::string Fixture(const std::string& site, const std::string& target) {
  const std::string name = SiteFixtureFor(SiteOf(site).host, target);
  return name.empty() ? "" : ReadSiteFixture(name);
}

std::string PlainReply(std::string_view body, std::size_t announced) {
  return "HTTP/1.1 200 OK\r\nContent-Type: text/javascript; charset=gbk\r\nContent-Length: " +
         std::to_string(announced) + "\r\nConnection: close\r\n\r\n" + std::string(body);
}

// --- what the hostile site does ----------------------------------------------

constexpr std::size_t kHundredMebibytes = std::size_t{100} << 20;
// How much of it the server got out before the client stopped reading.
std::atomic<std::size_t> g_streamed{0};

// The list opens at once and closes only after 100 MiB. Streamed, so the
// test never holds the reply itself.
void HundredMebibyteList(RawConnection& connection) {
  constexpr std::size_t kTotal = kHundredMebibytes;  // announced and sent
  const std::string head = "window.bdsug.sug({q:\"" + "手机"_gbk + "\",p:true,s:[\"";
  const std::string_view tail = "\"]});";
  const std::string filler(std::size_t{1} << 20, 'x');
  if (!connection.Send(PlainReply(head, kTotal))) return;
  for (std::size_t sent = head.size(); sent < kTotal - tail.size();) {
    const std::size_t piece = std::min(filler.size(), kTotal - tail.size() - sent);
    if (!connection.Send(std::string_view(filler).substr(0, piece))) return;
    sent += piece;
    g_streamed = sent;
  }
  if (connection.Send(tail)) g_streamed = kTotal;
}

// The true reply, the bytes up to the end of its list one every 1.5 s:
// nothing stands still for a whole time-out, yet the reply takes five times
// as long as one.
void TrickledReply(RawConnection& connection) {
  constexpr std::size_t kTrickled = 7;
  const std::string body = Fixture(kSogou, "/sugg/ajaj_json.jsp?key=");
  const std::size_t list_end = body.find("\"],") + 3;
  if (!connection.Send(PlainReply(body.substr(0, list_end - kTrickled), body.size()))) return;
  for (std::size_t i = list_end - kTrickled; i < list_end; ++i) {
    connection.Pause(std::chrono::milliseconds(1500));
    if (!connection.Send(body.substr(i, 1))) return;
  }
  connection.Send(body.substr(list_end));
}

// 0xFE opens a double-byte character that never gets its second byte.
void LeadByteAtTheEnd(const std::string& site, const char* target, RawConnection& connection) {
  const std::string body = Fixture(site, target) + "\xFE";
  connection.Send(PlainReply(body, body.size()));
}

// curl reads a redirect's body before it follows, so a stall there has to
// be caught as well.
void RedirectWithStalledBody(RawConnection& connection) {
  if (!connection.Send("HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\n"
                       "Content-Length: 1000\r\n\r\nMoved")) {
    return;
  }
  connection.Pause(std::chrono::minutes(1));
}

void RedirectLoop(const httplib::Request&, httplib::Response& response) {
  response.set_redirect("https://m.baidu.com/s?word=again");
}

void EndlessPageCount(const httplib::Request& request, httplib::Response& response) {
  if (SiteFixtureFor("data.chinaz.com", request.target) != "chinaz_index.html") {
    response.status = 404;
    return;
  }
  std::string index = ReadSiteFixture("chinaz_index.html");
  const std::string count = "２";
  index.replace(index.find(count), count.size(), "999999999");
  response.set_content(index, "text/html");
}

// About 170 KB of header lines: within what the client takes in one block.
// A flood past its limit loses the reply, as the long header line does.
void CookieFlood(const httplib::Request& request, httplib::Response& response) {
  for (int i = 0; i < 4000; ++i) {
    response.set_header("Set-Cookie",
                        "c" + std::to_string(i) + "=" + std::to_string(i) + "; Path=/; HttpOnly");
  }
  response.set_content(Fixture(kChinaz, request.target), "text/html");
}

void MebibyteHeaderLine(const httplib::Request& request, httplib::Response& response) {
  response.set_header("X-Padding", std::string(std::size_t{1} << 20, 'a'));
  response.set_content(Fixture(kWordLib, request.target), "text/html; charset=utf-8");
}

// FF and FE never occur in UTF-8; E6 opens a three-byte sequence that a
// quote cuts short, and F0 9F one that the end of the reply cuts short.
void InvalidUtf8(const httplib::Request&, httplib::Response& response) {
  response.set_content(
      "KISSY.Suggest.callback({\"result\":[[\"手机壳女\",\"7723\"],[\"坏\xFF\xFE\",\"12\"],"
      "[\"手机支架\xE6\",\"4456\"]]})\xF0\x9F",
      "application/javascript; charset=utf-8");
}

// --- the table ------------------------------------------------------------------

struct HostileRow {
  const char* name;
  const char* site;  // the source whose site turns hostile
  // The one that fits the site's scheme answers every request to it.
  RawHttpServer::Handler plain;
  std::function<void(const httplib::Request&, httplib::Response&)> secure;
  // What the hostile site still adds to the list (UTF-8).
  std::vector<std::string> contributes;
  std::optional<int> requests;  // how many reach the hostile server
  bool cut_at_the_cap = false;  // the client stops reading the stream there
};

void PrintTo(const HostileRow& row, std::ostream* out) { *out << row.name; }

class HostileSiteTest : public ::testing::TestWithParam<HostileRow> {
 protected:
  void SetUp() override {
    RegisterPlatformClasses();
    SetExtraTrustedCa(sites_.CaFile());
    const HostileRow& row = GetParam();
    const testing::FakeSite& site = SiteOf(row.site);
    std::vector<std::string> routes = sites_.Routes();
    std::erase_if(routes, [&](const std::string& r) { return r.starts_with(site.host + ":"); });
    routes.push_back(site.secure ? secure_.RouteFrom(site.host, 443)
                                 : site.host + ":80:127.0.0.1:" + std::to_string(plain_.port()));
    SetConnectTo(routes);
    g_streamed = 0;
    ui_port_.on_events = [this] {
      if (!cancelled_ && Clock::now() - started_ > kHangLimit) {
        cancelled_ = true;
        CancelTransfers(true);
      }
    };
  }
  void TearDown() override {
    CancelTransfers(false);
    SetConnectTo({});
    SetExtraTrustedCa("");
  }

  int HostileRequests() const {
    return SiteOf(GetParam().site).secure ? secure_requests_.load()
                                          : static_cast<int>(plain_.Requests().size());
  }

  testing::FakeSites sites_;
  std::atomic<int> secure_requests_{0};
  RawHttpServer plain_{[](RawConnection& connection) {
    if (GetParam().plain) GetParam().plain(connection);
  }};
  LoopbackServer secure_{[this](httplib::Server& server) {
                           // Without it each of the many short replies of a
                           // run waits out the client's delayed ACK.
                           server.set_tcp_nodelay(true);
                           server.Get(".*", [this](const auto& request, auto& response) {
                             ++secure_requests_;
                             if (GetParam().secure) GetParam().secure(request, response);
                           });
                         },
                         TlsIdentity::kCaSigned};
  testing::RecordingUiPort ui_port_;
  testing::MemoryMiningWindow window_;
  // Short, so that a stall would show within the hang limit.
  EngineRequests engines_{kTimeoutSeconds};
  Clock::time_point started_ = Clock::now();
  bool cancelled_ = false;
};

TEST_P(HostileSiteTest, RunEndsInTimeWithEveryOtherSitesKeywords) {
  const HostileRow& row = GetParam();
  Text expected;
  for (const testing::FakeSite& site : BuiltInSites()) {
    for (const std::string& line : site.recipe == row.site ? row.contributes : site.keywords) {
      expected += GbkFromUtf8(line) + "\r\n";
    }
  }
  window_.keyword.SetContent("手机"_gbk);
  MiningRun run(window_, engines_, MakeKeywordSources(BuiltInRecipes(), 0));

  started_ = Clock::now();
  run.Run();
  const auto elapsed = Clock::now() - started_;

  EXPECT_FALSE(cancelled_) << "the run was still going after " << kHangLimit.count() << " s";
  EXPECT_LT(elapsed, kHangLimit);
  ASSERT_EQ(window_.messages.size(), 1u);
  if (row.contributes.empty()) {
    // The hostile site, and it alone, is named: one line between the
    // heading and the closing hint.
    EXPECT_THAT(window_.messages[0].text,
                ::testing::StartsWith("查询已完成！\r\n以下来源没有给出关键词：\r\n"_gbk +
                                      GbkFromUtf8(ShownTitleOf(row.site)) + "："_gbk));
    EXPECT_EQ(std::ranges::count(window_.messages[0].text, '\n'), 3);
  } else {
    EXPECT_EQ(window_.messages[0].text, "查询已完成！"_gbk);
  }
  // Checked first so that a failure does not print megabytes.
  ASSERT_LT(window_.results.Content().size(), std::size_t{1} << 16);
  EXPECT_EQ(window_.results.Content(), RemoveDuplicates(expected, "\r\n", SplitMode::kSeparator));
  if (row.requests) {
    EXPECT_EQ(HostileRequests(), *row.requests);
  }
  if (row.cut_at_the_cap) {
    // The server's count runs ahead of the client by what the sockets hold.
    EXPECT_GE(g_streamed, kMaxReplyBody - (std::size_t{1} << 20));
    EXPECT_LT(g_streamed, kHundredMebibytes);
  }
}

INSTANTIATE_TEST_SUITE_P(
    OneSiteAtATime, HostileSiteTest,
    ::testing::Values(
        // The body is cut at 64 MiB: the list never closes within what was
        // kept, so nothing of it is a keyword.
        HostileRow{"AHundredMebibyteReplyIsCutAndItsUnclosedListAddsNothing",
                   kBaiduSuggest,
                   HundredMebibyteList,
                   {},
                   {},
                   1,
                   true},
        HostileRow{"ARedirectWhoseBodyStallsIsGivenUpAfterTheTimeOut",
                   kBaiduSuggest,
                   RedirectWithStalledBody,
                   {},
                   {},
                   1},
        // Ten hops are followed, the eleventh reply is a failure.
        HostileRow{
            "ARedirectLoopEndsAfterTenHopsAndAddsNothing", kBaiduMobile, {}, RedirectLoop, {}, 11},
        // The time-out is how long nothing may move, not how long a reply
        // may take: a reply that keeps moving is read to its end.
        HostileRow{"AReplyTricklingFarPastTheTimeOutIsReadToItsEnd",
                   kSogou,
                   TrickledReply,
                   {},
                   SiteOf(kSogou).keywords,
                   1},
        // The lone lead byte lies behind the list and touches nothing.
        HostileRow{"AGbkLeadByteEndingTheDecodedReplyLeavesItsKeywords",
                   kBaiduSuggest,
                   [](RawConnection& c) { LeadByteAtTheEnd(kBaiduSuggest, "/su?wd=", c); },
                   {},
                   SiteOf(kBaiduSuggest).keywords,
                   1},
        HostileRow{
            "AGbkLeadByteEndingTheRawReplyLeavesItsKeywords",
            kSogou,
            [](RawConnection& c) { LeadByteAtTheEnd(kSogou, "/sugg/ajaj_json.jsp?key=", c); },
            {},
            SiteOf(kSogou).keywords,
            1},
        // Every broken sequence reads as one "?"; the quotes around them
        // survive, so the items keep their bounds.
        HostileRow{"InvalidUtf8BecomesQuestionMarksWithoutMergingItems",
                   kTaobao,
                   {},
                   InvalidUtf8,
                   {"手机壳女", "坏??", "手机支架?"},
                   1},
        // The count is capped: the index and 500 pages, each failing at once.
        HostileRow{"AnEndlessPageCountStopsAtTheCapWhenEveryPageFails",
                   kChinaz,
                   {},
                   EndlessPageCount,
                   {},
                   501},
        HostileRow{"ASetCookieFloodLeavesTheKeywords",
                   kChinaz,
                   {},
                   CookieFlood,
                   SiteOf(kChinaz).keywords,
                   3},
        // The client refuses a header line that long, so the reply is lost
        // as a whole.
        HostileRow{
            "AMebibyteHeaderLineLosesThatReplyOnly", kWordLib, {}, MebibyteHeaderLine, {}, 1}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kestrilo
