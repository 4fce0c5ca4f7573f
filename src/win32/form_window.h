#pragma once

// The Win32 window runtime: a top-level window built from its declaration
// (forms/), its controls created as the declaration says, and the program's
// handlers bound to their events by control name.

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "forms/window_form.h"

namespace kestrilo::win32 {

enum class Event { kClicked, kContentChanged, kElapsed };

class FormWindow {
 public:
  // Creates the window and its controls, hidden. The form outlives it.
  explicit FormWindow(const forms::WindowForm& form, HWND owner = nullptr);
  virtual ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  HWND Handle() const { return window_; }
  // The control named `name`; null for none.
  HWND Control(std::string_view name) const;
  // False when the control lacks or its kind has no such event.
  bool Bind(std::string_view control, Event event, std::function<void()> handler);
  // Edits the program makes are no content change of the user's.
  void SetControlText(HWND control, const std::wstring& text);

  void Show();
  void Close() { ::PostMessageW(window_, WM_CLOSE, 0, 0); }

 protected:
  // Return true when the message was handled (`result` is then returned).
  virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(UINT message, WPARAM wparam, LPARAM lparam);
  void CreateControls();
  void HoldOnlyGbk(HWND edit);

  const forms::WindowForm& form_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  std::vector<HFONT> own_fonts_;
  std::map<std::string, HWND, std::less<>> controls_;
  std::map<std::string, const forms::ControlForm*, std::less<>> forms_by_name_;
  std::map<std::pair<int, Event>, std::function<void()>> handlers_;  // by control id
  std::map<std::string, UINT_PTR, std::less<>> timers_;
  int default_button_ = 0;
  // The control that had the focus when the window was last left, given it
  // back when the window is active again, as a dialog does.
  HWND focus_ = nullptr;
  bool programmatic_edit_ = false;
};

// The first control id; control i of a form has kFirstControlId + i.
inline constexpr int kFirstControlId = 100;

}  // namespace kestrilo::win32
