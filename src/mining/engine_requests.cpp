#include "mining/engine_requests.h"

#include "web/inet_request.h"
#include "web/web_request.h"

namespace kestrilo {

Text EngineRequests::WebRequest(const Text& address) {
  WebRequestParams params;
  params.timeout_seconds = timeout_seconds_;
  return kestrilo::WebRequest(address, params);
}

Text EngineRequests::InetRequestText(const Text& address) {
  InetRequestParams params;
  params.timeout_seconds = timeout_seconds_;
  return kestrilo::InetRequestText(address, params);
}

}  // namespace kestrilo
