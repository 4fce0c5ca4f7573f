#include "web/web_request.h"

#include <gtest/gtest.h>

#include "platform/http_exchange.h"
#include "platform/platform_classes.h"
#include "runtime/gbk.h"

#include "support/loopback_server.h"
#include "support/raw_http_server.h"
#include "support/recording_ui_port.h"

namespace kestrilo {
namespace {

using testing::LoopbackServer;
using testing::RawConnection;
using testing::RawHttpServer;
using testing::RecordingUiPort;
using testing::TlsIdentity;

constexpr char kOkReply[] =
    "HTTP/1.1 200 OK\r\nContent-Length: 5\r\nSet-Cookie: sid=42; path=/\r\n\r\nhello";

class WebRequestTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterPlatformClasses(); }
  void TearDown() override {
    InjectExchangeFault(std::nullopt);
    SetConnectTo({});
  }
  RecordingUiPort port;
};

struct FailureRow {
  const char* name;
  ExchangeStage stage;
  const char* text;
  bool events_processed;  // a "fail" ends through the common end, an "abort" does not
};

class WebRequestFailureTest : public WebRequestTest,
                              public ::testing::WithParamInterface<FailureRow> {};

TEST_P(WebRequestFailureTest, LeavesItsNumberedTextAndAnEmptyResult) {
  RawHttpServer server(kOkReply);
  InjectExchangeFault(GetParam().stage);
  WebRequestParams params;
  params.location = "kept";
  EXPECT_EQ(WebRequest(server.Origin() + "/", params), "");
  EXPECT_EQ(params.status_text, GbkFromUtf8(GetParam().text));
  EXPECT_EQ(params.location, "kept");
  EXPECT_TRUE(params.response_headers.empty());
  EXPECT_EQ(port.event_passes > 0, GetParam().events_processed);
}

INSTANTIATE_TEST_SUITE_P(
    Stages, WebRequestFailureTest,
    ::testing::Values(
        FailureRow{"PlatformCheck", ExchangeStage::kPlatformCheck, "700 当前系统不支持WinHttp服务!",
                   false},
        FailureRow{"Session", ExchangeStage::kSession, "702 创建WinHttp会话失败!", true},
        FailureRow{"Timeouts", ExchangeStage::kTimeouts, "705 设置超时时间失败!", true},
        FailureRow{"Connection", ExchangeStage::kConnection, "703 创建WinHttp连接失败!", true},
        FailureRow{"Request", ExchangeStage::kRequest, "704 创建WinHttp请求失败!", true},
        FailureRow{"Credentials", ExchangeStage::kCredentials, "707 设置代理凭证失败!", false},
        FailureRow{"Certificates", ExchangeStage::kTlsOption, "忽略错误/证书错误  失败！", false},
        FailureRow{"Cookies", ExchangeStage::kCookieOption, "708 禁止自动设置Cookies失败!", false},
        FailureRow{"Redirects", ExchangeStage::kRedirectOption, "709 重定向设置失败!", false},
        FailureRow{"HeaderBlock", ExchangeStage::kHeaderBlock, "710 设置协议头失败!", true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(WebRequestTest, RealFailuresOfAddressSendAndReceive) {
  WebRequestParams params;
  EXPECT_EQ(WebRequest("www.example.com/path", params), "");
  EXPECT_EQ(params.status_text, "701 解析URL地址失败!"_gbk);

  EXPECT_EQ(WebRequest("http://nowhere.invalid/", params), "");
  EXPECT_EQ(params.status_text, "711 发送请求失败!"_gbk);

  RawHttpServer silent(std::string{});  // closes without a word
  EXPECT_EQ(WebRequest(silent.Origin() + "/", params), "");
  EXPECT_EQ(params.status_text, "712 服务器未响应!"_gbk);

  RawHttpServer stalling([](RawConnection& c) { c.Pause(std::chrono::seconds(3)); });
  params.timeout_seconds = 1;
  EXPECT_EQ(WebRequest(stalling.Origin() + "/", params), "");
  EXPECT_EQ(params.status_text, "712 服务器未响应!"_gbk);
}

TEST_F(WebRequestTest, FailedReadKeepsWhatArrivedAndTheStatusLineReplacesItsText) {
  RawHttpServer server([](RawConnection& c) {
    c.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\npartial");
    c.Reset();
  });
  WebRequestParams params;
  Text status_while_reading;
  port.on_events = [&] {
    if (status_while_reading.empty()) status_while_reading = params.status_text;
  };
  EXPECT_EQ(WebRequest(server.Origin() + "/", params), "partial");
  EXPECT_EQ(status_while_reading, "713 读取数据失败!"_gbk);
  EXPECT_EQ(params.status_text, "200 OK");
  EXPECT_EQ(params.reply_bytes, (Bytes{'p', 'a', 'r', 't', 'i', 'a', 'l'}));
}

TEST_F(WebRequestTest, SendsTheAddressOnlyRequestTheSourcesMake) {
  RawHttpServer server(kOkReply);
  WebRequestParams params;
  EXPECT_EQ(WebRequest(server.Origin() + "/su?wd=k&p=3", params), "hello");
  const std::string request = server.Requests().at(0);
  EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /su?wd=k&p=3 HTTP/1.1");
  EXPECT_NE(request.find("\r\nUser-Agent: "), std::string::npos);
  EXPECT_EQ(params.status_text, "200 OK");
  EXPECT_EQ(params.new_cookies, "sid=42");
  EXPECT_TRUE(params.response_headers.starts_with("HTTP/1.1 200 OK\r\n"));
  EXPECT_TRUE(params.response_headers.ends_with("\r\n\r\n"));
}

struct TargetRow {
  const char* name;
  std::string path_and_query;
  std::optional<int> method;
  const char* request_line;
};

class WebRequestTargetTest : public WebRequestTest,
                             public ::testing::WithParamInterface<TargetRow> {};

TEST_P(WebRequestTargetTest, RequestLine) {
  RawHttpServer server(kOkReply);
  WebRequestParams params;
  params.method = GetParam().method;
  WebRequest(server.Origin() + GetParam().path_and_query, params);
  const std::string request = server.Requests().at(0);
  EXPECT_EQ(request.substr(0, request.find("\r\n")), GetParam().request_line);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, WebRequestTargetTest,
    ::testing::Values(TargetRow{"NoPathIsTheRoot", "", {}, "GET / HTTP/1.1"},
                      TargetRow{"QueryWithoutPathIsNotSent", "?q=1", {}, "GET / HTTP/1.1"},
                      TargetRow{"GbkBytesArePercentEncoded",
                                "/s?word=\xD6\xD0",
                                {},
                                "GET /s?word=%D6%D0 HTTP/1.1"},
                      TargetRow{"UnknownMethodIsGet", "/", 9, "GET / HTTP/1.1"},
                      TargetRow{"NegativeMethodIsGet", "/", -1, "GET / HTTP/1.1"},
                      TargetRow{"MethodOneIsPost", "/", 1, "POST / HTTP/1.1"},
                      TargetRow{"MethodFiveIsDelete", "/", 5, "DELETE / HTTP/1.1"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(WebRequestTest, BodyBytesWinOverTextAndBasicCredentialsNeedBothParts) {
  RawHttpServer server(kOkReply);
  WebRequestParams params;
  params.method = 1;
  params.post_text = "text";
  params.post_bytes = Bytes{'b', 'y', 't', 'e', 's'};
  params.user = "u";
  params.password = "p";
  WebRequest(server.Origin() + "/", params);
  EXPECT_TRUE(server.Requests().at(0).ends_with("\r\n\r\nbytes"));
  EXPECT_NE(server.Requests().at(0).find("Authorization: Basic dTpw\r\n"), std::string::npos);

  params.password = "";
  WebRequest(server.Origin() + "/", params);
  EXPECT_EQ(server.Requests().at(1).find("Authorization:"), std::string::npos);
}

TEST_F(WebRequestTest, ErrorStatusIsNoFailureAndAZeroByteCutsOnlyTheText) {
  static constexpr char kReply[] = "HTTP/1.1 404 Not Found\r\nContent-Length: 5\r\n\r\nab\0cd";
  RawHttpServer server(std::string(kReply, sizeof kReply - 1));
  WebRequestParams params;
  EXPECT_EQ(WebRequest(server.Origin() + "/", params), "ab");
  EXPECT_EQ(params.status_text, "404 Not Found");
  EXPECT_EQ(params.reply_bytes.size(), 5u);
}

TEST_F(WebRequestTest, DeclaredCharsetIsDecodedIntoGbk) {
  const std::string page = "<html><head><meta charset=\"utf-8\"></head><body>\xE4\xB8\xAD</body>";
  RawHttpServer server("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(page.size()) +
                       "\r\n\r\n" + page);
  EXPECT_EQ(WebRequest(server.Origin() + "/"),
            "<html><head><meta charset=\"utf-8\"></head><body>\xD6\xD0</body>");
}

TEST_F(WebRequestTest, SelfSignedCertificateIsAccepted) {
  LoopbackServer server(
      [](httplib::Server& s) {
        s.Get("/", [](const httplib::Request&, httplib::Response& r) {
          r.set_content("secure", "text/plain");
        });
      },
      TlsIdentity::kSelfSigned);
  EXPECT_EQ(WebRequest(server.Origin() + "/"), "secure");
}

TEST_F(WebRequestTest, ProxyServesPlainAddressesAndTunnelsSecureOnes) {
  RawHttpServer proxy(kOkReply);
  WebRequestParams params;
  params.proxy = proxy.Address();
  params.proxy_user = "pu";
  params.proxy_password = "pp";
  EXPECT_EQ(WebRequest("http://www.kestrilo.test/a", params), "hello");
  const std::string plain = proxy.Requests().at(0);
  EXPECT_EQ(plain.substr(0, plain.find("\r\n")), "GET http://www.kestrilo.test/a HTTP/1.1");
  EXPECT_NE(plain.find("Proxy-Authorization: Basic cHU6cHA=\r\n"), std::string::npos);

  WebRequest("https://www.kestrilo.test/b", params);
  const std::string secure = proxy.Requests().at(1);
  EXPECT_EQ(secure.substr(0, secure.find("\r\n")), "CONNECT www.kestrilo.test:443 HTTP/1.1");
}

TEST_F(WebRequestTest, TunnelThatClosesAfterTheProxyAgreedFailsToSend) {
  RawHttpServer proxy("HTTP/1.1 200 Connection established\r\nVia: proxy\r\n\r\n");
  WebRequestParams params;
  params.proxy = proxy.Address();
  EXPECT_EQ(WebRequest("https://www.kestrilo.test/", params), "");
  EXPECT_EQ(params.status_text, "711 发送请求失败!"_gbk);
  EXPECT_TRUE(params.response_headers.empty());
}

TEST_F(WebRequestTest, RepliedCookiesMergeIntoBothVariables) {
  RawHttpServer server(
      "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nSet-Cookie: a=2; path=/\r\n"
      "Set-Cookie: gone=deleted\r\nLocation: /next\r\n\r\n");
  WebRequestParams params;
  params.cookies = "a=1; b=1; gone=1";
  params.no_redirect = true;
  WebRequest(server.Origin() + "/", params);
  EXPECT_NE(server.Requests().at(0).find("Cookie: a=1; b=1; gone=1\r\n"), std::string::npos);
  EXPECT_EQ(params.cookies, "a=2; b=1");
  EXPECT_EQ(params.new_cookies, params.cookies);
  EXPECT_EQ(params.location, "/next");
}

}  // namespace
}  // namespace kestrilo
