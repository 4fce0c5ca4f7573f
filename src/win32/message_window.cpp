#include "win32/message_window.h"

#include <shellapi.h>

#include "runtime/gbk.h"
#include "runtime/ui_port.h"
#include "win32/wide_text.h"

namespace kestrilo::win32 {

void OpenInDefaultBrowser(HWND owner, const std::wstring& address) {
  if (address.empty()) return;
  ::ShellExecuteW(owner, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

MessageWindow::MessageWindow(std::wstring feedback_address, OpenElsewhere open_elsewhere)
    : FormWindow(forms::MessageWindowForm()) {
  HWND holder = Control("超文本浏览框1");
  std::wstring problem = BrowserHost::HtmlEngineProblem();
  if (problem.empty()) {
    auto browser = std::make_unique<BrowserHost>(holder);
    if (browser->IsReady() && browser->Navigate(feedback_address)) {
      browser_ = std::move(browser);
      return;
    }
    problem = browser->Problem();
  }
  // The holder says what happened, in the window the user asked for.
  SetControlText(holder, WideFromGbk("内置浏览器无法加载，已在默认浏览器中打开：\r\n"_gbk) +
                             feedback_address + L"\r\n\r\n(" + problem + L")");
  open_elsewhere(Handle(), feedback_address);
}

MessageWindow::~MessageWindow() = default;

void MessageWindow::Open() {
  ShowMessageNotice();
  Show();
}

void MessageWindow::BringToFront() {
  if (::IsIconic(Handle())) {
    ::ShowWindow(Handle(), SW_RESTORE);
  } else {
    // The click came from our own window, so the system lets us activate
    // another of ours.
    ::BringWindowToTop(Handle());
    ::SetForegroundWindow(Handle());
  }
}

void MessageWindow::ShowMessageNotice() { MsgBox("调用腾讯官方接口，可放心留言"_gbk); }

bool MessageWindow::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
  if (message != WM_DESTROY) return false;
  // The control goes before the windows it lives in.
  browser_.reset();
  open_ = false;
  result = 0;
  return true;
}

}  // namespace kestrilo::win32
