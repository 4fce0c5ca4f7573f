#include "mining/engine_requests.h"

#include "web/inet_request.h"
#include "web/web_request.h"

namespace kestrilo {

Text EngineRequests::WebRequest(const Text& address, const Text& headers) {
  WebRequestParams params;
  params.timeout_seconds = timeout_seconds_;
  if (!headers.empty()) params.headers = headers;
  return kestrilo::WebRequest(address, params);
}

Text EngineRequests::InetRequestText(const Text& address, const Text& headers) {
  InetRequestParams params;
  params.timeout_seconds = timeout_seconds_;
  params.headers = headers;
  return kestrilo::InetRequestText(address, params);
}

}  // namespace kestrilo
