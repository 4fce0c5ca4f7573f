#include "app/qt_ui_port.h"

#include <QApplication>
#include <QEventLoop>
#include <QGridLayout>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include "app/qt_text.h"

namespace kestrilo {
namespace {

// Style bits 0..5 choose the buttons, as the message-box styles number them.
QMessageBox::StandardButtons ButtonsOf(unsigned style) {
  switch (style & 0xF) {
    case 1: return QMessageBox::Ok | QMessageBox::Cancel;
    case 2: return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case 3: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case 4: return QMessageBox::Yes | QMessageBox::No;
    case 5: return QMessageBox::Retry | QMessageBox::Cancel;
    default: return QMessageBox::Ok;
  }
}

MsgBoxButton AnswerOf(int button) {
  switch (button) {
    case QMessageBox::Cancel: return MsgBoxButton::kCancel;
    case QMessageBox::Abort: return MsgBoxButton::kAbort;
    case QMessageBox::Retry: return MsgBoxButton::kRetry;
    case QMessageBox::Ignore: return MsgBoxButton::kIgnore;
    case QMessageBox::Yes: return MsgBoxButton::kYes;
    case QMessageBox::No: return MsgBoxButton::kNo;
    default: return MsgBoxButton::kOk;
  }
}

// A box is as wide as its text, and a short text leaves the title no room:
// the frame would show "…" for "信息：". The box's grid takes a spacer as
// wide as the title and the frame's buttons need.
void WidenForTitle(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  constexpr int kFrameButtonsRoom = 160;
  const int width = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kFrameButtonsRoom;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                grid->rowCount(), 0, 1, grid->columnCount());
}

// The active window; right after a dialog closes there is none for a
// moment, and the program's visible window is the one at work.
QWidget* WindowAtWork() {
  if (QWidget* active = QApplication::activeWindow()) return active;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible() && widget->windowType() == Qt::Window && !widget->isMinimized()) {
      return widget;
    }
  }
  return nullptr;
}

}  // namespace

MsgBoxButton QtUiPort::ShowMessageBox(const MsgBoxRequest& request) {
  if (answer_hook_) return answer_hook_(request);
  QMessageBox box(QMessageBox::NoIcon, QStringFromGbk(request.title), QStringFromGbk(request.text),
                  ButtonsOf(request.style));
  // Task modal: every window of the program waits for the box, other
  // programs do not.
  box.setWindowModality(Qt::ApplicationModal);
  // Over the window that raised it: the owner given, else the window at
  // work. A box with a parent is centred on it.
  QWidget* owner = QWidget::find(static_cast<WId>(request.owner));
  if (owner == nullptr) owner = WindowAtWork();
  if (owner != nullptr) box.setParent(owner->window(), box.windowFlags());
  WidenForTitle(box);
  // The text can be selected and copied: it may be an address to visit.
  box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  return AnswerOf(box.exec());
}

void QtUiPort::ProcessPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtUiPort::Wait(std::chrono::milliseconds duration) {
  if (duration.count() <= 0) return;
  QEventLoop loop;
  QTimer::singleShot(duration, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace kestrilo
