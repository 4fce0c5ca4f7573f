#pragma once

// 在线留言 on Win32: the maker's feedback page in the system's browser
// control, built from the same declaration as the Qt window. Where pages
// cannot be shown in the window, it says so and the page opens in the
// default browser instead.

#include <functional>
#include <memory>
#include <string>

#include "win32/browser_host.h"
#include "win32/form_window.h"

namespace kestrilo::win32 {

// Opens `address` with the program the user chose for such addresses.
void OpenInDefaultBrowser(HWND owner, const std::wstring& address);

class MessageWindow final : public FormWindow {
 public:
  using OpenElsewhere = std::function<void(HWND owner, const std::wstring& address)>;

  // Creates the window, hidden, and starts loading `feedback_address`, in
  // the window or else through `open_elsewhere`.
  explicit MessageWindow(std::wstring feedback_address,
                         OpenElsewhere open_elsewhere = OpenInDefaultBrowser);
  ~MessageWindow() override;

  // The created event's notice, then the window itself.
  void Open();
  // Restored when minimised, else brought to the front.
  void BringToFront();
  // False once the user closed it.
  bool IsOpen() const { return open_; }
  // The page's control; null where pages cannot be shown, and once closed.
  const BrowserHost* Browser() const { return browser_.get(); }

  void ShowMessageNotice();

 protected:
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

 private:
  std::unique_ptr<BrowserHost> browser_;
  bool open_ = true;
};

}  // namespace kestrilo::win32
