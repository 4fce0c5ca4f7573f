#pragma once

// The runtime's UI port on Win32: message boxes centred on their window,
// message pumping that keeps dialog keys working, and waits that sleep
// until a message comes rather than spin.

#include <windows.h>

#include "runtime/ui_port.h"

namespace kestrilo::win32 {

class Win32UiPort final : public UiPort {
 public:
  MsgBoxButton ShowMessageBox(const MsgBoxRequest& request) override;
  void ProcessPendingEvents() override;
  void Wait(std::chrono::milliseconds duration) override;
};

// Handles one message as the program's loop does: a browser page's keys,
// dialog keys (Tab, Enter) for the window it belongs to, else the usual
// translate and dispatch.
void DispatchOne(MSG& message);

}  // namespace kestrilo::win32
