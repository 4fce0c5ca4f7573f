#include "win32/win32_ui_port.h"

#include "win32/browser_host.h"
#include "win32/wide_text.h"

namespace kestrilo::win32 {
namespace {

// The box's owner for the centring hook; one box at a time per thread.
thread_local HWND t_centre_on = nullptr;
thread_local HHOOK t_hook = nullptr;

// Windows centres a message box on the screen whatever its owner; it is
// moved over its window as it appears, as Windows programs commonly do.
LRESULT CALLBACK CentreBox(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_ACTIVATE) {
    const auto box = reinterpret_cast<HWND>(wparam);
    RECT owner{}, rect{};
    if (t_centre_on != nullptr && ::GetWindowRect(t_centre_on, &owner) &&
        ::GetWindowRect(box, &rect)) {
      const int width = rect.right - rect.left, height = rect.bottom - rect.top;
      const int x = owner.left + ((owner.right - owner.left) - width) / 2;
      const int y = owner.top + ((owner.bottom - owner.top) - height) / 2;
      ::SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::UnhookWindowsHookEx(t_hook);
    t_hook = nullptr;
    return 0;
  }
  return ::CallNextHookEx(t_hook, code, wparam, lparam);
}

MsgBoxButton ButtonOf(int answer) {
  switch (answer) {
    case IDCANCEL: return MsgBoxButton::kCancel;
    case IDABORT: return MsgBoxButton::kAbort;
    case IDRETRY: return MsgBoxButton::kRetry;
    case IDIGNORE: return MsgBoxButton::kIgnore;
    case IDYES: return MsgBoxButton::kYes;
    case IDNO: return MsgBoxButton::kNo;
    default: return MsgBoxButton::kOk;
  }
}

}  // namespace

MsgBoxButton Win32UiPort::ShowMessageBox(const MsgBoxRequest& request) {
  HWND owner = request.owner != 0 ? reinterpret_cast<HWND>(request.owner) : ::GetActiveWindow();
  t_centre_on = owner;
  t_hook = ::SetWindowsHookExW(WH_CBT, CentreBox, nullptr, ::GetCurrentThreadId());
  const int answer = ::MessageBoxW(owner, WideFromGbk(request.text).c_str(),
                                   WideFromGbk(request.title).c_str(), request.style);
  if (t_hook != nullptr) {
    ::UnhookWindowsHookEx(t_hook);
    t_hook = nullptr;
  }
  return ButtonOf(answer);
}

void DispatchOne(MSG& message) {
  if (BrowserHost::TranslateKey(message)) return;
  HWND top = message.hwnd != nullptr ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (top != nullptr && ::IsDialogMessageW(top, &message)) return;
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

namespace {

// False once the program is ending: the quit message is put back for the
// program's own loop, which ends on it, and waiting stops.
bool Pump() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return false;
    }
    DispatchOne(message);
  }
  return true;
}

}  // namespace

void Win32UiPort::ProcessPendingEvents() { Pump(); }

void Win32UiPort::Wait(std::chrono::milliseconds duration) {
  const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(duration.count());
  for (;;) {
    if (!Pump()) return;
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return;
    ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                  MWMO_INPUTAVAILABLE);
  }
}

}  // namespace kestrilo::win32
