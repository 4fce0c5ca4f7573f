#pragma once

#include <optional>
#include <string>
#include <utility>

#include "cli/host_gate.h"
#include "cli/terminal_window.h"
#include "mining/request_routines.h"

namespace kestrilo {

// What the requests of one source came to.
struct RequestTally {
  int requests = 0;
  int replies = 0;        // requests answered with a status line
  std::size_t bytes = 0;  // of the bodies, over every request
  std::string first;      // the first request's status line or failure (UTF-8)
};

// The real engines, called as the window calls them, with an eye on each
// exchange: whether any reply came back at all (the network may be down),
// and in verbose mode the address, outcome and size of every request. Each
// request waits its turn at the host through `gate`, which the requests of
// seeds mined at once share.
class ReportingRequests : public RequestRoutines {
 public:
  ReportingRequests(TerminalReport& report, std::optional<int> timeout_seconds, HostGate& gate)
      : report_(report), timeout_seconds_(timeout_seconds), gate_(gate) {}

  Text WebRequest(const Text& address, const Text& headers) override;
  Text InetRequestText(const Text& address, const Text& headers) override;

  int Requests() const { return requests_; }
  int Replies() const { return replies_; }
  // The requests since the last call, which starts a new tally.
  RequestTally TakeTally() { return std::exchange(tally_, {}); }

 private:
  void Record(const Text& address, const Text& response_headers, const Text& failure,
              std::size_t bytes);

  TerminalReport& report_;
  std::optional<int> timeout_seconds_;
  int requests_ = 0;
  int replies_ = 0;
  RequestTally tally_;
  HostGate& gate_;
};

}  // namespace kestrilo
