#include "app/qt_ui_port.h"

#include <QApplication>
#include <QEventLoop>
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

}  // namespace

MsgBoxButton QtUiPort::ShowMessageBox(const MsgBoxRequest& request) {
  if (answer_hook_) return answer_hook_(request);
  QMessageBox box(QMessageBox::NoIcon, QStringFromGbk(request.title), QStringFromGbk(request.text),
                  ButtonsOf(request.style));
  // Task modal: every window of the program waits for the box, other
  // programs do not.
  box.setWindowModality(Qt::ApplicationModal);
  if (QWidget* owner = QWidget::find(static_cast<WId>(request.owner)); owner != nullptr) {
    box.setParent(owner->window(), box.windowFlags());
  }
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
