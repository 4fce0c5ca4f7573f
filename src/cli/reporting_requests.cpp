#include "cli/reporting_requests.h"

#include "runtime/gbk.h"
#include "web/inet_request.h"
#include "web/url_parts.h"
#include "web/web_request.h"

namespace kestrilo {
namespace {

// Only a header block that starts with a status line proves a reply: the
// second engine leaves a placeholder block when none arrived.
bool IsReply(const Text& response_headers) { return response_headers.starts_with("HTTP/"); }

Text StatusLine(const Text& response_headers) {
  return response_headers.substr(0, response_headers.find("\r\n"));
}

}  // namespace

void ReportingRequests::Record(const Text& address, const Text& response_headers,
                               const Text& failure, std::size_t bytes) {
  ++requests_;
  const bool reply = IsReply(response_headers);
  if (reply) ++replies_;
  const Text outcome = reply ? StatusLine(response_headers) : failure;
  if (tally_.requests++ == 0) tally_.first = Utf8FromGbk(outcome);
  tally_.replies += reply ? 1 : 0;
  tally_.bytes += bytes;
  if (!report_.Verbose()) return;
  report_.Line("GET " + Utf8FromGbk(address) + " -> " + Utf8FromGbk(outcome) + ", " +
               std::to_string(bytes) + " bytes");
}

Text ReportingRequests::WebRequest(const Text& address, const Text& headers) {
  WebRequestParams params;
  params.timeout_seconds = timeout_seconds_;
  if (!headers.empty()) params.headers = headers;
  Text reply;
  {
    const HostTurn turn(gate_, UrlHost(address));
    reply = kestrilo::WebRequest(address, params);
  }
  Record(address, params.response_headers, params.status_text, params.reply_bytes.size());
  return reply;
}

// This engine reports no failures and hands out its body only as text, cut
// at the first zero byte; the size given is that text's.
Text ReportingRequests::InetRequestText(const Text& address, const Text& headers) {
  InetRequestParams params;
  params.timeout_seconds = timeout_seconds_;
  params.headers = headers;
  Text reply;
  {
    const HostTurn turn(gate_, UrlHost(address));
    reply = kestrilo::InetRequestText(address, params);
  }
  Record(address, params.response_headers, "no reply", reply.size());
  return reply;
}

}  // namespace kestrilo
