#pragma once

#include <optional>

#include "mining/request_routines.h"

namespace kestrilo {

// The sources' fetching done by the two real request engines, each called
// with the address and a recipe's header lines alone -- and, when one is
// given, a time-out in seconds for both (the command line's --timeout, and
// tests of a stalled site).
class EngineRequests : public RequestRoutines {
 public:
  explicit EngineRequests(std::optional<int> timeout_seconds = {})
      : timeout_seconds_(timeout_seconds) {}
  Text WebRequest(const Text& address, const Text& headers) override;
  Text InetRequestText(const Text& address, const Text& headers) override;

 private:
  std::optional<int> timeout_seconds_;
};

}  // namespace kestrilo
