#include "app/qt_text.h"

#include "runtime/gbk.h"

namespace kestrilo {

QString QStringFromGbk(const Text& text) { return QString::fromStdString(Utf8FromGbk(text)); }

Text GbkFromQString(const QString& text) { return GbkFromUtf8(text.toStdString()); }

QString WidgetLinesFromGbk(const Text& text) {
  QString lines = QStringFromGbk(text);
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return lines;
}

Text GbkLinesFromWidget(const QString& text) {
  QString lines = text;
  lines.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  return GbkFromQString(lines);
}

}  // namespace kestrilo
