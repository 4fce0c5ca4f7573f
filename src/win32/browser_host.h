#pragma once

// 超文本浏览框 on Win32: the system's web browser control (the WebBrowser
// ActiveX control, IWebBrowser2) placed in a child window. We are its
// container: the client site, the in-place site and the frame are ours,
// kept as small as an embedded page needs (no menus, no toolbars).

#include <windows.h>

#include <exdisp.h>
#include <oleidl.h>

#include <string>

namespace kestrilo::win32 {

class BrowserHost {
 public:
  // The control is created in `holder`, filling it. When it cannot be made
  // (a stripped system), IsReady() is false and Problem() says why.
  explicit BrowserHost(HWND holder);
  ~BrowserHost();
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  bool IsReady() const { return browser_ != nullptr; }
  const std::wstring& Problem() const { return problem_; }
  // The control's own window, inside the holder; null when not ready.
  HWND View() const;
  // Starts loading `address`; false when the control refused it.
  bool Navigate(const std::wstring& address);

  // Empty when pages can be shown; else why not. The control itself may
  // exist without the engine that draws pages (Wine without its Gecko):
  // it then shows nothing, forever.
  static std::wstring HtmlEngineProblem();

  // Keys for a page shown in any host (Tab between its links, Ctrl+C, the
  // arrows): true when the page took `message`. The program's loop asks
  // this before the dialog keys of its windows.
  static bool TranslateKey(MSG& message);

 private:
  class Site;

  static std::wstring AskForHtmlEngine();
  bool Create();
  // Notes the step that failed; false.
  bool Fail(const wchar_t* step, HRESULT result);

  HWND holder_;
  Site* site_ = nullptr;
  IOleObject* object_ = nullptr;
  IWebBrowser2* browser_ = nullptr;
  std::wstring problem_;
  bool ole_initialized_ = false;
};

}  // namespace kestrilo::win32
