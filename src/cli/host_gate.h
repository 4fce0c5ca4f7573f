#pragma once

// One request at a time to each site, and a pause between two requests to
// the same site, however many seeds are mined at once.

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <utility>

#include "runtime/types.h"

namespace kestrilo {

class HostGate {
 public:
  explicit HostGate(std::chrono::milliseconds pace = std::chrono::milliseconds(0))
      : pace_(pace) {}

  // Waits until no other request to `host` is in flight and the pace has
  // passed since the last one ended; the caller then has the host to itself
  // until Leave.
  void Enter(const Text& host);
  void Leave(const Text& host);

 private:
  struct Host {
    bool busy = false;
    std::chrono::steady_clock::time_point free_at;
  };

  const std::chrono::milliseconds pace_;
  std::mutex mutex_;
  std::condition_variable freed_;
  std::map<Text, Host> hosts_;
};

// Holds `host` for the time of one request.
class HostTurn {
 public:
  HostTurn(HostGate& gate, Text host) : gate_(gate), host_(std::move(host)) { gate_.Enter(host_); }
  ~HostTurn() { gate_.Leave(host_); }
  HostTurn(const HostTurn&) = delete;
  HostTurn& operator=(const HostTurn&) = delete;

 private:
  HostGate& gate_;
  Text host_;
};

}  // namespace kestrilo
