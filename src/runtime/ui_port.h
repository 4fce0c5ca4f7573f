#pragma once

// The runtime's link to the user interface: message boxes, message pumping
// and waiting. The desktop program installs its Qt implementation, tests
// install a recorder, and everything else gets the headless default.

#include <chrono>
#include <cstdint>
#include <optional>

#include "runtime/types.h"

namespace kestrilo {

// Message-box style bits the runtime itself looks at.
inline constexpr unsigned kMbOk = 0x0000;
inline constexpr unsigned kMbSystemModal = 0x1000;
inline constexpr unsigned kMbTaskModal = 0x2000;

enum class MsgBoxButton { kOk, kCancel, kAbort, kRetry, kIgnore, kYes, kNo };

struct MsgBoxRequest {
  Text text;
  Text title;
  unsigned style = kMbOk;    // as the caller gave it, plus the modality
  std::uintptr_t owner = 0;  // 0: no owner window
};

class UiPort {
 public:
  virtual ~UiPort() = default;
  virtual MsgBoxButton ShowMessageBox(const MsgBoxRequest& request) = 0;
  // Handles every pending event and returns; never blocks.
  virtual void ProcessPendingEvents() = 0;
  // Returns after `duration`, handling events meanwhile where there are any.
  // Must not spin.
  virtual void Wait(std::chrono::milliseconds duration) = 0;
};

// The headless default: no events to process, Wait sleeps, a message box
// prints its text on standard error and answers OK.
class HeadlessUiPort final : public UiPort {
 public:
  MsgBoxButton ShowMessageBox(const MsgBoxRequest& request) override;
  void ProcessPendingEvents() override {}
  void Wait(std::chrono::milliseconds duration) override;
};

UiPort& CurrentUiPort();
// Installs `port` (null: the headless default) and returns the previous one.
UiPort* InstallUiPort(UiPort* port);

// Installs a port for the lifetime of a scope, then puts the previous back.
class ScopedUiPort {
 public:
  explicit ScopedUiPort(UiPort& port) : previous_(InstallUiPort(&port)) {}
  ~ScopedUiPort() { InstallUiPort(previous_); }
  ScopedUiPort(const ScopedUiPort&) = delete;
  ScopedUiPort& operator=(const ScopedUiPort&) = delete;

 private:
  UiPort* previous_;
};

// Shows `text` with the given style; the title defaults to "信息：". Task
// modal unless the style asks for system modal. The result numbers the
// button that closed the box: OK 0, Cancel 1, Abort 2, Retry 3, Ignore 4,
// Yes 5, No 6.
int MsgBox(const Text& text, unsigned style = kMbOk, const std::optional<Text>& title = {},
           std::optional<std::uintptr_t> owner = {});

void DoEvents();
// Waits `milliseconds` while events are processed; 0 or less returns at once.
void Delay(int milliseconds);

}  // namespace kestrilo
