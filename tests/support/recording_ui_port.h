#pragma once

// A UI port for tests: records every message box, counts event processing
// and waits, and runs a hook where the real port would dispatch events, so a
// test can act "during" a run the way a user's click would.

#include <chrono>
#include <deque>
#include <functional>
#include <vector>

#include "runtime/ui_port.h"

namespace kestrilo::testing {

class RecordingUiPort : public UiPort {
 public:
  RecordingUiPort() : previous_(InstallUiPort(this)) {}
  ~RecordingUiPort() override { InstallUiPort(previous_); }
  RecordingUiPort(const RecordingUiPort&) = delete;
  RecordingUiPort& operator=(const RecordingUiPort&) = delete;

  MsgBoxButton ShowMessageBox(const MsgBoxRequest& request) override;
  void ProcessPendingEvents() override;
  void Wait(std::chrono::milliseconds duration) override;

  // Answers for the next message boxes, in order; OK once they run out.
  void QueueAnswer(MsgBoxButton answer) { answers_.push_back(answer); }

  // Called inside every ProcessPendingEvents and Wait, as queued events
  // would be handled there.
  std::function<void()> on_events;

  std::vector<MsgBoxRequest> messages;
  int event_passes = 0;
  std::vector<std::chrono::milliseconds> waits;

 private:
  UiPort* previous_;
  std::deque<MsgBoxButton> answers_;
};

}  // namespace kestrilo::testing
