#include "support/recording_ui_port.h"

namespace kestrilo::testing {

MsgBoxButton RecordingUiPort::ShowMessageBox(const MsgBoxRequest& request) {
  messages.push_back(request);
  if (on_events) on_events();
  if (answers_.empty()) return MsgBoxButton::kOk;
  const MsgBoxButton answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void RecordingUiPort::ProcessPendingEvents() {
  ++event_passes;
  if (on_events) on_events();
}

void RecordingUiPort::Wait(std::chrono::milliseconds duration) {
  waits.push_back(duration);
  if (on_events) on_events();
}

}  // namespace kestrilo::testing
