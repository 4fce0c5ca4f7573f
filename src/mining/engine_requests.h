#pragma once

#include "mining/request_routines.h"

namespace kestrilo {

// The sources' fetching done by the two real request engines, each called
// with the address alone.
class EngineRequests : public RequestRoutines {
 public:
  Text WebRequest(const Text& address) override;
  Text InetRequestText(const Text& address) override;
};

}  // namespace kestrilo
