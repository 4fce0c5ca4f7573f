#pragma once

#include <optional>

#include "cli/terminal_window.h"
#include "mining/request_routines.h"

namespace kestrilo {

// The real engines, called as the window calls them, with an eye on each
// exchange: whether any reply came back at all (the network may be down),
// and in verbose mode the address, outcome and size of every request.
class ReportingRequests : public RequestRoutines {
 public:
  ReportingRequests(TerminalReport& report, std::optional<int> timeout_seconds)
      : report_(report), timeout_seconds_(timeout_seconds) {}

  Text WebRequest(const Text& address) override;
  Text InetRequestText(const Text& address) override;

  int Requests() const { return requests_; }
  int Replies() const { return replies_; }

 private:
  void Record(const Text& address, const Text& response_headers, const Text& failure,
              std::size_t bytes);

  TerminalReport& report_;
  std::optional<int> timeout_seconds_;
  int requests_ = 0;
  int replies_ = 0;
};

}  // namespace kestrilo
