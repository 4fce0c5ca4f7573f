#pragma once

// The Qt window runtime's side of the window declarations (forms/): builds
// a declared window's controls as widgets, with the declared object names,
// parents, geometry and captions, and what each kind needs to look and act
// as the design has it.

#include <QString>
#include <QWidget>
#include <string_view>

#include "app/qt_text.h"
#include "forms/window_form.h"

namespace kestrilo {

void BuildForm(QWidget& window, const forms::WindowForm& form);

// The built control named `name` (UTF-8), of widget class `Control`; the
// declarations and the code that uses them belong together, so a mismatch
// is a programming error and aborts.
template <typename Control>
Control& FormControl(const QWidget& window, std::string_view name) {
  const QString object_name = QStringFromUtf8(name);
  auto* control = window.findChild<Control*>(object_name);
  if (control == nullptr) {
    qFatal("the window has no control %s of the expected kind", qPrintable(object_name));
  }
  return *control;
}

}  // namespace kestrilo
