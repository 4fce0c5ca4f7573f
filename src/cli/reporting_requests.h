#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <utility>

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
// and in verbose mode the address, outcome and size of every request.
class ReportingRequests : public RequestRoutines {
 public:
  ReportingRequests(TerminalReport& report, std::optional<int> timeout_seconds)
      : report_(report), timeout_seconds_(timeout_seconds) {}

  Text WebRequest(const Text& address) override;
  Text InetRequestText(const Text& address) override;

  // Waits so that `milliseconds` pass between two requests to one host.
  void SetHostPace(int milliseconds) { host_pace_ = std::chrono::milliseconds(milliseconds); }

  int Requests() const { return requests_; }
  int Replies() const { return replies_; }
  // The requests since the last call, which starts a new tally.
  RequestTally TakeTally() { return std::exchange(tally_, {}); }

 private:
  void Record(const Text& address, const Text& response_headers, const Text& failure,
              std::size_t bytes);
  void WaitForHost(const Text& address);
  void Finished(const Text& address);

  TerminalReport& report_;
  std::optional<int> timeout_seconds_;
  int requests_ = 0;
  int replies_ = 0;
  RequestTally tally_;
  std::chrono::milliseconds host_pace_{0};
  std::map<Text, std::chrono::steady_clock::time_point> host_free_at_;
};

}  // namespace kestrilo
