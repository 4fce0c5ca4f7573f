#pragma once

// One request at a time to each site, and a pause between two requests to
// the same site, however many seeds are mined at once.

#include <chrono>
#include <map>
#include <utility>

#include "cli/run_stop.h"
#include "runtime/types.h"

namespace kestrilo {

class HostGate {
 public:
  // A stop of `stop` ends every wait at the gate.
  explicit HostGate(std::chrono::milliseconds pace = std::chrono::milliseconds(0),
                    RunStop* stop = nullptr)
      : pace_(pace), stop_(stop != nullptr ? *stop : own_stop_) {}

  // Waits until no other request to `host` is in flight and the pace has
  // passed since the last one ended; the caller then has the host to itself
  // until Leave. False, at once, when the run has stopped: the host was
  // not taken.
  bool Enter(const Text& host);
  void Leave(const Text& host);

 private:
  struct Host {
    bool busy = false;
    std::chrono::steady_clock::time_point free_at;
  };

  const std::chrono::milliseconds pace_;
  RunStop own_stop_;  // never stopped
  RunStop& stop_;     // its lock and condition guard `hosts_`
  std::map<Text, Host> hosts_;
};

// Holds `host` for the time of one request.
class HostTurn {
 public:
  HostTurn(HostGate& gate, Text host)
      : gate_(gate), host_(std::move(host)), entered_(gate_.Enter(host_)) {}
  ~HostTurn() {
    if (entered_) gate_.Leave(host_);
  }
  HostTurn(const HostTurn&) = delete;
  HostTurn& operator=(const HostTurn&) = delete;

 private:
  HostGate& gate_;
  Text host_;
  bool entered_;
};

}  // namespace kestrilo
