#include "web/inet_request.h"

#include <gtest/gtest.h>

#include "platform/http_exchange.h"

#include "support/loopback_server.h"
#include "support/raw_http_server.h"
#include "support/test_certificates.h"

namespace kestrilo {
namespace {

using testing::GetTestCertificates;
using testing::LoopbackServer;
using testing::RawHttpServer;
using testing::TlsIdentity;

class InetRequestTest : public ::testing::Test {
 protected:
  void TearDown() override {
    InjectExchangeFault(std::nullopt);
    SetExtraTrustedCa("");
  }
};

std::string HeadOf(const std::string& request) {
  return request.substr(0, request.find("\r\n\r\n") + 4);
}

TEST_F(InetRequestTest, GetCarriesTheDefaultsWhichAreWrittenBack) {
  RawHttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
  const Text url = server.Origin() + "/path?q=1";
  InetRequestParams params;
  EXPECT_EQ(InetRequestText(url, params), "ok");
  const Text defaults = "Referer: " + url +
                        "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\n"
                        "Content-Type: application/x-www-form-urlencoded";
  EXPECT_EQ(params.headers, defaults);
  EXPECT_EQ(HeadOf(server.Requests().at(0)),
            "GET /path?q=1 HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; Zvek; .NET "
                "CLR 2.0.50727; .NET CLR 3.0.04506.648; .NET CLR 3.5.21022)\r\n" +
                defaults + "\r\n\r\n");
}

TEST_F(InetRequestTest, AgentComesFromAUserAgentLineInAnyCase) {
  RawHttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  InetRequestParams params;
  params.headers = "user-agent:  Probe/1.0 \r\nX-A: 1";
  InetRequestText(server.Origin() + "/", params);
  const std::string request = server.Requests().at(0);
  EXPECT_NE(request.find("user-agent:  Probe/1.0 \r\n"), std::string::npos);
  EXPECT_EQ(request.find("Mozilla"), std::string::npos);
}

TEST_F(InetRequestTest, MethodTwoSendsItsBodyWithGetAndFillsPostBytes) {
  RawHttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  InetRequestParams params;
  params.method = 2;
  params.post_text = "a=1";
  InetRequest(server.Origin() + "/", params);
  EXPECT_TRUE(server.Requests().at(0).starts_with("GET / HTTP/1.1\r\n"));
  EXPECT_TRUE(server.Requests().at(0).ends_with("\r\n\r\na=1"));
  EXPECT_EQ(params.post_bytes, (Bytes{'a', '=', '1'}));
}

TEST_F(InetRequestTest, CookiesTravelFromOneReplyToTheNextRequest) {
  RawHttpServer first(
      "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nSet-Cookie: sid=1; path=/\r\n"
      "Set-Cookie: old=deleted; path=/\r\n\r\n");
  InetRequestParams params;
  params.cookies = "old=x; keep=y";
  InetRequestText(first.Origin() + "/", params);
  EXPECT_EQ(params.new_cookies, "sid=1;old=deleted");
  EXPECT_EQ(params.cookies, "sid=1; keep=y");
  // No Location line and an empty variable: the whole block lands there.
  EXPECT_EQ(params.location, params.response_headers);

  RawHttpServer second("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  params.headers.clear();
  InetRequestText(second.Origin() + "/", params);
  EXPECT_NE(second.Requests().at(0).find("\r\nCookie: sid=1; keep=y\r\n"), std::string::npos);
}

TEST_F(InetRequestTest, ZeroByteCutsOnlyTheTextForm) {
  static constexpr char kReply[] = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\na\0b";
  RawHttpServer server(std::string(kReply, sizeof kReply - 1));
  InetRequestParams params;
  params.proxy = Text();
  EXPECT_EQ(InetRequest(server.Origin() + "/", params), (Bytes{'a', 0, 'b'}));
  EXPECT_EQ(InetRequestText(server.Origin() + "/"), "a");
}

TEST_F(InetRequestTest, HeaderBlockPastTheBufferLeavesSpacesAndNoCookies) {
  RawHttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nSet-Cookie: a=1;\r\nX-Pad: " +
                       std::string(5000, 'p') + "\r\n\r\n");
  InetRequestParams params;
  InetRequestText(server.Origin() + "/", params);
  EXPECT_EQ(params.response_headers, std::string(5000, ' '));
  EXPECT_EQ(params.new_cookies, "");
}

TEST_F(InetRequestTest, CertificatesAreCheckedUnlessTheirCaIsTrusted) {
  LoopbackServer server(
      [](httplib::Server& s) {
        s.Get("/", [](const httplib::Request&, httplib::Response& r) {
          r.set_content("tls", "text/plain");
        });
      },
      TlsIdentity::kCaSigned);
  EXPECT_EQ(InetRequestText(server.Origin() + "/"), "");
  SetExtraTrustedCa(GetTestCertificates().ca_pem);
  EXPECT_EQ(InetRequestText(server.Origin() + "/"), "tls");
}

TEST_F(InetRequestTest, HandleThatCannotBeOpenedTouchesNothing) {
  RawHttpServer server("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
  for (const ExchangeStage stage :
       {ExchangeStage::kSession, ExchangeStage::kConnection, ExchangeStage::kRequest}) {
    InjectExchangeFault(stage);
    InetRequestParams params;
    params.headers = "X-A: 1";
    params.location = "kept";
    EXPECT_TRUE(InetRequest(server.Origin() + "/", params).empty());
    EXPECT_EQ(params.headers, "X-A: 1");
    EXPECT_EQ(params.location, "kept");
  }
  EXPECT_TRUE(server.Requests().empty());
}

}  // namespace
}  // namespace kestrilo
