#include "win32/form_window.h"

#include <commctrl.h>

#include "runtime/windows_text.h"
#include "win32/wide_text.h"

namespace kestrilo::win32 {
namespace {

constexpr wchar_t kClassName[] = L"KestriloFormWindow";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

void RegisterClassOnce() {
  static const bool registered = [] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = DefWindowProcW;  // replaced per window at creation
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.hIcon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    window_class.lpszClassName = kClassName;
    return ::RegisterClassExW(&window_class) != 0;
  }();
  (void)registered;
}

// The system's message font: what dialogs use, Microsoft YaHei UI on a
// Chinese Windows.
LOGFONTW MessageFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  return metrics.lfMessageFont;
}

struct ClassAndStyle {
  const wchar_t* window_class;
  DWORD style;
  DWORD extended_style;
};

ClassAndStyle ClassFor(const forms::ControlForm& control) {
  using K = forms::ControlKind;
  constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
  switch (control.kind) {
    case K::kGroupBox: return {L"BUTTON", kChild | BS_GROUPBOX, 0};
    case K::kLineEdit:
      return {L"EDIT", kChild | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case K::kMultiLineEdit:
      return {L"EDIT",
              kChild | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE | ES_AUTOHSCROLL |
                  ES_AUTOVSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
              WS_EX_CLIENTEDGE};
    case K::kButton:
      return {L"BUTTON",
              kChild | WS_TABSTOP |
                  static_cast<DWORD>(control.default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON),
              0};
    // Labels keep to one line, centred on it as the controls beside them
    // are: a face wider than the one designed for clips the end rather than
    // wrapping it under the label.
    case K::kLabel: return {L"STATIC", kChild | SS_LEFTNOWORDWRAP | SS_CENTERIMAGE, 0};
    case K::kHyperlink:
      return {L"STATIC", kChild | SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOTIFY, 0};
    case K::kProgressBar: return {PROGRESS_CLASSW, kChild, 0};
    case K::kStatusBar: return {STATUSCLASSNAMEW, kChild, 0};
    case K::kBrowser: return {L"STATIC", kChild | WS_CLIPCHILDREN | SS_CENTER, 0};
    case K::kTimer:
    case K::kFileDialog: break;
  }
  return {nullptr, 0, 0};
}

// The result list: Tab and Shift+Tab leave it as they leave every other
// control, and Enter stays in it as a line break rather than pressing the
// default button. Focus by Tab leaves the text unselected.
LRESULT CALLBACK ListKeys(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                          DWORD_PTR) {
  if (message != WM_GETDLGCODE) return ::DefSubclassProc(edit, message, wparam, lparam);
  LRESULT code = ::DefSubclassProc(edit, message, wparam, lparam);
  code &= ~static_cast<LRESULT>(DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_HASSETSEL);
  const auto* key = reinterpret_cast<const MSG*>(lparam);
  if (key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) {
    code |= DLGC_WANTMESSAGE;
  }
  return code;
}

}  // namespace

FormWindow::FormWindow(const forms::WindowForm& form, HWND owner) : form_(form) {
  RegisterClassOnce();
  RECT frame{0, 0, form.client_width, form.client_height};
  ::AdjustWindowRectEx(&frame, kWindowStyle, FALSE, WS_EX_CONTROLPARENT);
  window_ = ::CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, WideFromUtf8(form.caption).c_str(),
                              kWindowStyle, 50, 50, frame.right - frame.left,
                              frame.bottom - frame.top, owner, nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormWindow::Procedure));
  const LOGFONTW message_font = MessageFont();
  font_ = ::CreateFontIndirectW(&message_font);
  CreateControls();
}

FormWindow::~FormWindow() {
  if (window_ != nullptr && ::IsWindow(window_)) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
  for (HFONT font : own_fonts_) ::DeleteObject(font);
  if (font_ != nullptr) ::DeleteObject(font_);
}

void FormWindow::CreateControls() {
  int index = 0;
  for (const forms::ControlForm& control : form_.controls) {
    const int id = kFirstControlId + index++;
    forms_by_name_.emplace(std::string(control.name), &control);
    if (control.kind == forms::ControlKind::kTimer) {
      timers_.emplace(std::string(control.name), ::SetTimer(window_, static_cast<UINT_PTR>(id),
                                                             static_cast<UINT>(control.interval_ms),
                                                             nullptr));
      continue;
    }
    const ClassAndStyle kind = ClassFor(control);
    if (kind.window_class == nullptr) continue;
    // Win32 group boxes hold no controls: a control in one is the window's,
    // placed by the box's offset.
    int x = control.geometry.x, y = control.geometry.y;
    for (std::string_view parent = control.parent; !parent.empty();) {
      const forms::ControlForm* holder = form_.Find(parent);
      if (holder == nullptr) break;
      x += holder->geometry.x;
      y += holder->geometry.y;
      parent = holder->parent;
    }
    HWND handle = ::CreateWindowExW(kind.extended_style, kind.window_class,
                                    WideFromUtf8(control.caption).c_str(), kind.style, x, y,
                                    control.geometry.width, control.geometry.height, window_,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                    ::GetModuleHandleW(nullptr), nullptr);
    HFONT font = font_;
    if (control.font_pixels > 0) {
      LOGFONTW face = MessageFont();
      face.lfHeight = -control.font_pixels;
      face.lfWeight = FW_NORMAL;
      font = ::CreateFontIndirectW(&face);
      own_fonts_.push_back(font);
    }
    if (control.kind == forms::ControlKind::kHyperlink) {
      LOGFONTW face = MessageFont();
      face.lfUnderline = TRUE;
      font = ::CreateFontIndirectW(&face);
      own_fonts_.push_back(font);
    }
    ::SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (control.kind == forms::ControlKind::kMultiLineEdit) {
      ::SetWindowSubclass(handle, ListKeys, 0, 0);
    }
    if (control.kind == forms::ControlKind::kProgressBar) {
      ::SendMessageW(handle, PBM_SETRANGE32, 0, control.maximum);
    }
    if (control.default_button) default_button_ = id;
    controls_.emplace(std::string(control.name), handle);
  }
}

HWND FormWindow::Control(std::string_view name) const {
  const auto found = controls_.find(name);
  return found == controls_.end() ? nullptr : found->second;
}

bool FormWindow::Bind(std::string_view control, Event event, std::function<void()> handler) {
  const forms::ControlForm* form = form_.Find(control);
  if (form == nullptr) return false;
  using K = forms::ControlKind;
  const bool fits =
      (event == Event::kClicked && (form->kind == K::kButton || form->kind == K::kHyperlink)) ||
      (event == Event::kContentChanged &&
       (form->kind == K::kLineEdit || form->kind == K::kMultiLineEdit)) ||
      (event == Event::kElapsed && form->kind == K::kTimer);
  if (!fits) return false;
  const int id = kFirstControlId + static_cast<int>(form - form_.controls.data());
  handlers_[{id, event}] = std::move(handler);
  return true;
}

void FormWindow::SetControlText(HWND control, const std::wstring& text) {
  programmatic_edit_ = true;
  ::SetWindowTextW(control, text.c_str());
  programmatic_edit_ = false;
}

// As an ANSI edit box under code page 936 would: what GBK lacks shows as
// "?", the caret staying after what was typed.
void FormWindow::HoldOnlyGbk(HWND edit) {
  const std::wstring text = WindowText(edit);
  const std::wstring held = WideFromGbk(GbkFromWide(text));
  // Nothing back for something is no conversion at all: the text stays.
  if (held == text || (held.empty() && !text.empty())) return;
  DWORD start = 0, end = 0;
  ::SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const std::size_t caret = WideFromGbk(GbkFromWide(text.substr(0, end))).size();
  SetControlText(edit, held);
  ::SendMessageW(edit, EM_SETSEL, caret, static_cast<LPARAM>(caret));
}

void FormWindow::Show() {
  ::ShowWindow(window_, SW_SHOWNORMAL);
  ::UpdateWindow(window_);
}

bool FormWindow::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CALLBACK FormWindow::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
  return self->Handle(message, wparam, lparam);
}

LRESULT FormWindow::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (OnMessage(message, wparam, lparam, result)) return result;
  if (message == WM_NCDESTROY) {
    // The handle may be reused by another window from here on.
    result = ::DefWindowProcW(window_, message, wparam, lparam);
    window_ = nullptr;
    return result;
  }
  const auto run = [this](int id, Event event) {
    const auto found = handlers_.find({id, event});
    if (found == handlers_.end()) return false;
    // Copied: the handler may pump messages, and a second event may bind anew.
    const std::function<void()> handler = found->second;
    handler();
    return true;
  };
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      const int code = HIWORD(wparam);
      if (code == BN_CLICKED || code == STN_CLICKED) {
        // Enter with no button focused comes as IDOK: the default button.
        if (run(id == IDOK ? default_button_ : id, Event::kClicked)) return 0;
      }
      if (code == EN_CHANGE && !programmatic_edit_) {
        const int index = id - kFirstControlId;
        if (index >= 0 && static_cast<std::size_t>(index) < form_.controls.size() &&
            form_.controls[static_cast<std::size_t>(index)].gbk_only) {
          HoldOnlyGbk(reinterpret_cast<HWND>(lparam));
        }
        if (run(id, Event::kContentChanged)) return 0;
      }
      break;
    }
    case WM_TIMER:
      if (run(static_cast<int>(wparam), Event::kElapsed)) return 0;
      break;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focused = ::GetFocus();
        if (focused != nullptr && ::IsChild(window_, focused)) focus_ = focused;
      } else {
        if (focus_ == nullptr || !::IsWindow(focus_)) {
          focus_ = ::GetNextDlgTabItem(window_, nullptr, FALSE);
        }
        if (focus_ != nullptr) ::SetFocus(focus_);
      }
      return 0;
    case DM_GETDEFID:
      if (default_button_ != 0) return MAKELRESULT(default_button_, DC_HASDEFID);
      break;
    case WM_CTLCOLORSTATIC: {
      // The hyperlink reads as one: blue on the dialog face.
      const auto control = reinterpret_cast<HWND>(lparam);
      const int id = ::GetDlgCtrlID(control);
      const int index = id - kFirstControlId;
      if (index >= 0 && static_cast<std::size_t>(index) < form_.controls.size() &&
          form_.controls[static_cast<std::size_t>(index)].kind == forms::ControlKind::kHyperlink) {
        const auto dc = reinterpret_cast<HDC>(wparam);
        ::SetTextColor(dc, RGB(0, 0, 255));
        ::SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    }
    case WM_SETCURSOR: {
      const auto over = reinterpret_cast<HWND>(wparam);
      const int index = ::GetDlgCtrlID(over) - kFirstControlId;
      if (over != window_ && index >= 0 && static_cast<std::size_t>(index) < form_.controls.size() &&
          form_.controls[static_cast<std::size_t>(index)].kind == forms::ControlKind::kHyperlink) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    }
    default: break;
  }
  return ::DefWindowProcW(window_, message, wparam, lparam);
}

}  // namespace kestrilo::win32
