#include "web/inet_request.h"

#include <chrono>

#include "platform/http_exchange.h"
#include "runtime/conversion.h"
#include "runtime/text_commands.h"
#include "text/marker_slicing.h"
#include "web/inet_cookies.h"
#include "web/inet_headers.h"
#include "web/url_parts.h"

namespace kestrilo {
namespace {

constexpr std::string_view kDefaultUserAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; Zvek; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";

// The agent named by a User-Agent line in any letter case; when that line
// is the last one (no "\r\n" behind it), the text behind the block's first
// colon.
Text UserAgentOf(const Text& headers) {
  if (FindText(headers, "User-Agent:", {}, true) == -1) return Text(kDefaultUserAgent);
  Text agent = TrimSpaces(TextBetweenAnyCase(headers, "User-Agent:", "\r\n"));
  if (agent.empty()) agent = HeaderValue(headers);
  return agent;
}

bool StartsSecure(const Text& url) { return ToLower(LeftText(url, 5)) == "https"; }

// Stages before the request exists stand for a handle that could not be
// opened: nothing is sent and no variable is touched.
bool FailedBeforeSending(ExchangeStage stage) { return stage < ExchangeStage::kSend; }

}  // namespace

Bytes InetRequest(const Text& url, InetRequestParams& params) {
  HttpRequest request;
  request.verb = params.method == 1 ? "POST" : "GET";
  request.user_agent = UserAgentOf(params.headers);
  request.http_proxy = params.proxy;  // "http=" + empty server: direct
  request.host = UrlHost(url);
  request.port = UrlPort(url);
  request.secure = StartsSecure(url);
  request.target = UrlPath(url);
  request.follow_redirects = !params.no_redirect;
  // The platform's defaults: certificates checked, a minute to connect and
  // a minute without a byte before giving up.
  request.verify_certificates = true;
  if (params.timeout_seconds.value_or(0) > 0) {
    request.connect_timeout = request.stall_timeout = std::chrono::seconds(*params.timeout_seconds);
  }

  Text headers = params.headers;
  AddInetHeaderDefaults(headers, url, params.cookies);
  request.header_block = headers;

  Bytes post_bytes = params.post_bytes;
  if (params.method != 0) {
    if (post_bytes.empty()) post_bytes = ToBytes(params.post_text);
    request.body = post_bytes;
  }

  const HttpResponse response = PerformExchange(request);
  if (FailedBeforeSending(response.failed_at)) return {};
  params.headers = std::move(headers);
  params.post_bytes = std::move(post_bytes);

  // A failed send, read or header query goes unnoticed: whatever arrived is
  // the reply, and a missing header block reads as the unfilled buffer.
  const bool have_headers = response.failed_at != ExchangeStage::kSend &&
                            response.failed_at != ExchangeStage::kReceive &&
                            response.failed_at != ExchangeStage::kHeaderQuery;
  ReadInetReplyHeaders(
      have_headers ? std::optional<std::string_view>(response.raw_headers) : std::nullopt,
      params.response_headers, params.location, params.new_cookies);
  MergeCookies(params.cookies, params.new_cookies);
  return response.body;
}

Text InetRequestText(const Text& url, InetRequestParams& params) {
  if (!params.proxy) params.proxy = Text();
  return ToText(InetRequest(url, params));
}

Text InetRequestText(const Text& url) {
  InetRequestParams params;
  return InetRequestText(url, params);
}

}  // namespace kestrilo
