#include "web/web_request.h"

#include <array>
#include <chrono>

#include "platform/http_exchange.h"
#include "runtime/conversion.h"
#include "runtime/gbk.h"
#include "runtime/ui_port.h"
#include "web/reply_charset.h"
#include "web/reply_headers.h"
#include "web/request_headers.h"

namespace kestrilo {
namespace {

constexpr std::array<const char*, 8> kVerbs = {"GET",     "POST",   "HEAD",  "PUT",
                                               "OPTIONS", "DELETE", "TRACE", "CONNECT"};

// What the caller is told when a stage fails, and whether the failure ends
// the call at once (closing without processing pending events) or through
// the common end.
struct StageFailure {
  const char* text;
  bool aborts;
};

std::optional<StageFailure> FailureOf(ExchangeStage stage) {
  switch (stage) {
    case ExchangeStage::kPlatformCheck:
      return StageFailure{"700 当前系统不支持WinHttp服务!", false};
    case ExchangeStage::kAddressSplit: return StageFailure{"701 解析URL地址失败!", false};
    case ExchangeStage::kSession: return StageFailure{"702 创建WinHttp会话失败!", false};
    case ExchangeStage::kTimeouts: return StageFailure{"705 设置超时时间失败!", false};
    case ExchangeStage::kConnection: return StageFailure{"703 创建WinHttp连接失败!", false};
    case ExchangeStage::kRequest: return StageFailure{"704 创建WinHttp请求失败!", false};
    case ExchangeStage::kCredentials: return StageFailure{"707 设置代理凭证失败!", true};
    case ExchangeStage::kTlsOption: return StageFailure{"忽略错误/证书错误  失败！", true};
    case ExchangeStage::kCookieOption: return StageFailure{"708 禁止自动设置Cookies失败!", true};
    case ExchangeStage::kRedirectOption: return StageFailure{"709 重定向设置失败!", true};
    case ExchangeStage::kHeaderBlock: return StageFailure{"710 设置协议头失败!", false};
    case ExchangeStage::kSend: return StageFailure{"711 发送请求失败!", false};
    case ExchangeStage::kReceive: return StageFailure{"712 服务器未响应!", false};
    default: return std::nullopt;  // a failed read keeps its bytes; see below
  }
}

std::optional<Credentials> CredentialsOf(const std::optional<Text>& user,
                                         const std::optional<Text>& password) {
  if (user.value_or(Text()).empty() || password.value_or(Text()).empty()) return std::nullopt;
  return Credentials{*user, *password};
}

}  // namespace

Text WebRequest(const Text& url, WebRequestParams& params) {
  const bool merge_cookies = params.merge_cookies.value_or(true);
  const bool add_default_headers = params.add_default_headers.value_or(true);
  const bool normalize_headers = params.normalize_headers.value_or(true);

  HttpRequest request;
  const std::optional<AddressParts> address = SplitAddress(url);
  if (address) {
    request.secure = address->secure;
    request.host = address->host;
    request.port = address->port;
    // Without a path the object is "/" alone and the query stays behind.
    request.target = address->path.empty() ? Text("/") : address->path + address->query;
  }

  // A named proxy serves secure addresses as given and plain ones through
  // the "http=" list, so both go through it.
  const Text proxy = params.proxy.value_or(Text());
  if (!proxy.empty()) {
    request.http_proxy = proxy;
    request.secure_proxy = proxy;
  }

  const int seconds = params.timeout_seconds.value_or(0);
  const std::chrono::milliseconds timeout(seconds > 0 ? seconds * 1000LL : 30000LL);
  request.connect_timeout = timeout;
  request.stall_timeout = timeout;

  const int method = params.method.value_or(0);
  request.verb = kVerbs[(method >= 0 && method < 8) ? static_cast<std::size_t>(method) : 0];
  request.server_credentials = CredentialsOf(params.user, params.password);
  request.proxy_credentials = CredentialsOf(params.proxy_user, params.proxy_password);
  // Certificates are never checked: self-signed, expired and wrong-host
  // certificates are all accepted.
  request.verify_certificates = false;
  request.follow_redirects = !params.no_redirect.value_or(false);
  request.header_block =
      BuildRequestHeaders(params.headers.value_or(Text()), method, params.cookies,
                          add_default_headers, normalize_headers);
  const Bytes post_bytes = params.post_bytes.value_or(Bytes());
  request.body = !post_bytes.empty() ? post_bytes : ToBytes(params.post_text.value_or(Text()));

  HttpResponse response;
  if (address) {
    response = PerformExchange(request);
  } else {
    // The address never reaches the client: it could not be taken apart.
    response.failed_at = ExchangeStage::kAddressSplit;
  }

  if (const auto failure = FailureOf(response.failed_at)) {
    params.status_text = GbkFromUtf8(failure->text);
    if (!failure->aborts && response.failed_at != ExchangeStage::kPlatformCheck) DoEvents();
    return {};
  }
  if (response.failed_at == ExchangeStage::kRead) {
    params.status_text = GbkFromUtf8("713 读取数据失败!");
  }
  if (response.failed_at == ExchangeStage::kHeaderQuery) {
    DoEvents();
    return {};
  }

  params.response_headers = response.raw_headers;
  params.status_text =
      ReadReplyHeaders(params.response_headers, params.new_cookies, params.location);
  if (merge_cookies && !params.cookies.empty()) {
    MergeReplyCookies(params.cookies, params.new_cookies);
    params.new_cookies = params.cookies;
  }
  params.reply_bytes = response.body;
  Text result = DecodeReplyText(ToText(response.body), response.body);
  DoEvents();
  return result;
}

Text WebRequest(const Text& url) {
  WebRequestParams params;
  return WebRequest(url, params);
}

}  // namespace kestrilo
