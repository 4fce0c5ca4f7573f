#include "app/hyperlink_label.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QProcess>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "app/qt_text.h"
#include "runtime/gbk.h"
#include "runtime/ui_port.h"

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
  setFocusPolicy(Qt::StrongFocus);
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
  if (click) Activate();
}

void HyperlinkLabel::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: Activate(); return;
    default: QLabel::keyPressEvent(event);
  }
}

// A label draws no focus; a link reached with Tab has to show that it is.
void HyperlinkLabel::paintEvent(QPaintEvent* event) {
  QLabel::paintEvent(event);
  if (!hasFocus()) return;
  QStylePainter painter(this);
  QStyleOptionFocusRect option;
  option.initFrom(this);
  option.rect = contentsRect();
  painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

// Without a browser the address is shown, so that it can be copied.
void HyperlinkLabel::Activate() {
  if (!Open() && !address_.isEmpty()) {
    MsgBox("无法打开浏览器，请手动访问："_gbk + GbkFromQString(address_), kMbOk, {},
           static_cast<std::uintptr_t>(window()->winId()));
  }
  emit clicked();
}

}  // namespace kestrilo
