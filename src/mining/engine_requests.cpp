#include "mining/engine_requests.h"

#include "web/inet_request.h"
#include "web/web_request.h"

namespace kestrilo {

Text EngineRequests::WebRequest(const Text& address) {
  return kestrilo::WebRequest(address);
}

Text EngineRequests::InetRequestText(const Text& address) {
  return kestrilo::InetRequestText(address);
}

}  // namespace kestrilo
