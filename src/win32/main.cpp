// Kestrilo's window program on Windows.

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "platform/platform_classes.h"
#include "runtime/windows_text.h"
#include "win32/main_window.h"
#include "win32/win32_ui_port.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  kestrilo::RegisterPlatformClasses();
  kestrilo::win32::Win32UiPort ui_port;
  kestrilo::ScopedUiPort installed(ui_port);

  int code = 0;
  {
    kestrilo::win32::MainWindow window({kestrilo::WideFromUtf8(KESTRILO_CONTACT_QQ),
                                        kestrilo::WideFromUtf8(KESTRILO_CHAT_ADDRESS),
                                        kestrilo::WideFromUtf8(KESTRILO_FEEDBACK_ADDRESS)});
    window.Show();
    window.InitMainWindow();
    ::SetFocus(window.Control("编辑框1"));
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) kestrilo::win32::DispatchOne(message);
    code = static_cast<int>(message.wParam);
  }
  ::CoUninitialize();
  return code;
}
