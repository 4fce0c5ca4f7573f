#pragma once

#include <functional>
#include <string>

#include "mining/mining_state.h"
#include "mining/mining_window.h"
#include "mining/request_routines.h"

namespace kestrilo {

// What one source step of a run works with.
class SourceContext {
 public:
  SourceContext(MiningWindow& window, RequestRoutines& requests)
      : window_(window), requests_(requests) {}

  // The keyword box as it is now: a source reads it afresh for every address
  // it builds, so an edit during the run takes effect at the next request.
  Text Seed() const { return window_.KeywordBox().Content(); }

  // Appends to the result box. The first text of a run starts a line of its
  // own, whatever the box held before.
  void Append(const Text& text);

  // The wait between two keywords, processing events meanwhile.
  void Pause(int milliseconds) const;

  // True once the window is closing: a source stops at once.
  bool Closing() const { return window_.IsClosing(); }

  RequestRoutines& Requests() const { return requests_; }
  MiningWindow& Window() const { return window_; }

  // What the source at work has done so far. The run gives each source a
  // fresh one and keeps it afterwards.
  SourceState& Current() { return current_; }

 private:
  MiningWindow& window_;
  RequestRoutines& requests_;
  SourceState current_;
  bool appended_ = false;
};

struct KeywordSource {
  std::string name;  // for diagnostics
  std::function<void(SourceContext&)> step;
  // UTF-8; what the window calls the source. Last and defaulted, so that
  // {name, step} still makes a source.
  std::string title = {};

  const std::string& ShownTitle() const { return title.empty() ? name : title; }
};

}  // namespace kestrilo
