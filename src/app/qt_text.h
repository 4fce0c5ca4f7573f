#pragma once

// Texts crossing between the program (GBK, lines ended by "\r\n") and Qt
// widgets (Unicode, lines ended by "\n").

#include <QString>
#include <string_view>

#include "runtime/types.h"

namespace kestrilo {

QString QStringFromGbk(const Text& text);
// The windows' declarations and the build settings are UTF-8.
inline QString QStringFromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
// A character GBK cannot hold becomes "?".
Text GbkFromQString(const QString& text);

// The same for multi-line widget text: "\r\n" inside the program, "\n" in
// the widget.
QString WidgetLinesFromGbk(const Text& text);
Text GbkLinesFromWidget(const QString& text);

}  // namespace kestrilo
