#pragma once

// What the desktop program's tests share: the message boxes the program
// showed (answered OK through the UI port's seam), and controls found by
// their object names.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace kestrilo::testing {

// Every message box since the last Clear, by text; `on_message` runs while
// the box is "open".
struct MessageLog {
  static QStringList& Texts();
  static std::function<void(const QString&)>& OnMessage();
  static void Clear();
};

// Types `text` as a Chinese input method commits it, one character at a
// time (QTest's key clicks know ASCII keys only).
void TypeText(QWidget* widget, const QString& text);

template <typename Control>
Control* Find(const QWidget* window, const char* name) {
  return window->findChild<Control*>(QString::fromUtf8(name));
}

}  // namespace kestrilo::testing
