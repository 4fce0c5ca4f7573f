#pragma once

// The runtime's message boxes, message pumping and waits done with Qt.

#include <functional>

#include "runtime/ui_port.h"

namespace kestrilo {

class QtUiPort final : public UiPort {
 public:
  // Answers message boxes instead of showing them, for tests; the box is
  // "open" while the hook runs. Null shows real boxes.
  using AnswerHook = std::function<MsgBoxButton(const MsgBoxRequest&)>;

  MsgBoxButton ShowMessageBox(const MsgBoxRequest& request) override;
  void ProcessPendingEvents() override;
  // Runs a local event loop until the time is up: timers, clicks and
  // repaints go on, and the thread sleeps between them.
  void Wait(std::chrono::milliseconds duration) override;

  void SetAnswerHook(AnswerHook hook) { answer_hook_ = std::move(hook); }

 private:
  AnswerHook answer_hook_;
};

}  // namespace kestrilo
