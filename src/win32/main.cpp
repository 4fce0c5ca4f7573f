// Kestrilo's window program on Windows.

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "forms/contact_form.h"
#include "platform/http_exchange.h"
#include "platform/platform_classes.h"
#include "runtime/windows_text.h"
#include "win32/main_window.h"
#include "win32/win32_ui_port.h"

namespace {

// The terminal program's network options, for a window that must reach the
// sites another way than the system would (a test, a site's other address):
// --connect-to HOST:PORT:ADDR:PORT, repeatable, and --cacert FILE. Anything
// else on the command line is ignored, as a shortcut may add it.
// The arguments come as the C runtime split them (shell32's splitter would
// load shell32 before the window shows).
void ApplyNetworkOptions() {
  std::vector<std::string> routes;
  for (int i = 1; i + 1 < __argc; ++i) {
    const std::wstring option = __wargv[i];
    if (option == L"--connect-to") routes.push_back(kestrilo::Utf8FromWide(__wargv[++i]));
    if (option == L"--cacert") kestrilo::SetExtraTrustedCa(kestrilo::Utf8FromWide(__wargv[++i]));
  }
  if (!routes.empty()) kestrilo::SetConnectTo(routes);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  ApplyNetworkOptions();
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  kestrilo::RegisterPlatformClasses();
  kestrilo::win32::Win32UiPort ui_port;
  kestrilo::ScopedUiPort installed(ui_port);

  int code = 0;
  {
    const kestrilo::forms::ContactForm& contact = kestrilo::forms::BuiltInContact();
    kestrilo::win32::MainWindow window({kestrilo::WideFromUtf8(contact.qq_number),
                                        kestrilo::WideFromUtf8(contact.chat_address),
                                        kestrilo::WideFromUtf8(contact.feedback_address)});
    window.Show();
    window.InitMainWindow();
    // For the shell's handlers behind ShellExecute; OLE loads only now,
    // after the window is up.
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ::SetFocus(window.Control("编辑框1"));
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) kestrilo::win32::DispatchOne(message);
    code = static_cast<int>(message.wParam);
  }
  ::CoUninitialize();
  return code;
}
