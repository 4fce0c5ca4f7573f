#include "app/hyperlink_label.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QProcess>

namespace kestrilo {
namespace {

HyperlinkLabel::Openers& CurrentOpeners() {
  static HyperlinkLabel::Openers openers{
      [](const QUrl& url) { return QDesktopServices::openUrl(url); },
      [](const QString& address) {
        return QProcess::startDetached(QStringLiteral("xdg-open"), {address});
      }};
  return openers;
}

}  // namespace

HyperlinkLabel::Openers HyperlinkLabel::SetOpeners(Openers openers) {
  std::swap(CurrentOpeners(), openers);
  return openers;
}

HyperlinkLabel::HyperlinkLabel(QWidget* parent) : QLabel(parent) {
  setCursor(Qt::PointingHandCursor);
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  QPalette colours = palette();
  colours.setColor(QPalette::WindowText, palette().color(QPalette::Link));
  setPalette(colours);
}

bool HyperlinkLabel::Open() const {
  if (address_.isEmpty()) return false;
  const Openers& openers = CurrentOpeners();
  if (openers.desktop && openers.desktop(QUrl(address_))) return true;
  return openers.fallback && openers.fallback(address_);
}

void HyperlinkLabel::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  QLabel::mousePressEvent(event);
}

// A click is a press and a release of the left button over the link.
void HyperlinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->pos());
  pressed_ = false;
  QLabel::mouseReleaseEvent(event);
  if (!click) return;
  Open();
  emit clicked();
}

}  // namespace kestrilo
