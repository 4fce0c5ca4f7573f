#pragma once

// The program's two windows declared once, as data: every control's kind,
// object name, parent, position, size, caption and the few settings of its
// kind, and the window's own caption and client size. The Qt window runtime
// and the Win32 one both build their windows from these declarations. Texts
// are UTF-8; sizes are pixels of the client area.

#include <span>
#include <string_view>

namespace kestrilo::forms {

enum class ControlKind {
  kGroupBox,
  kLineEdit,       // one line
  kMultiLineEdit,  // the result list: no wrapping, both scroll bars
  kButton,
  kLabel,
  kProgressBar,
  kStatusBar,  // kept to the bottom edge of the client area
  kTimer,      // no face of its own
  kFileDialog,  // no face of its own
  kHyperlink,
  kBrowser,
};

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

struct ControlForm {
  ControlKind kind;
  std::string_view name;
  std::string_view parent;  // empty: the window itself
  Rect geometry;            // relative to the parent
  std::string_view caption = {};
  // A face of its own size for the control's text; 0 keeps the window's.
  int font_pixels = 0;
  // A button: pressed by Enter where nothing else takes it.
  bool default_button = false;
  // An edit box that holds only what GBK can: it shows a character GBK
  // lacks as "?", as the seed will be sent.
  bool gbk_only = false;
  // A progress bar's range; a timer's period, in milliseconds.
  int maximum = 0;
  int interval_ms = 0;
  // A file dialog's filter ("name|pattern|..."), extension added to a name
  // without one.
  std::string_view filter = {};
  std::string_view default_extension = {};
};

struct WindowForm {
  std::string_view name;
  std::string_view caption;
  int client_width;
  int client_height;
  // In creation order, which is also the order Tab walks them.
  std::span<const ControlForm> controls;
  // The control with this name; null for none.
  const ControlForm* Find(std::string_view control_name) const;
};

const WindowForm& MainWindowForm();
const WindowForm& MessageWindowForm();

}  // namespace kestrilo::forms
