#include "app/message_window.h"

#include <QIcon>

#include "runtime/gbk.h"
#include "runtime/ui_port.h"

#include "ui_message_window.h"

namespace kestrilo {

MessageWindow::MessageWindow(const QString& feedback_address, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::MessageWindow>()) {
  ui_->setupUi(this);
  move(50, 50);
  setWindowIcon(QIcon(QStringLiteral(":/kestrilo/kestrilo.png")));
  ui_->超文本浏览框1->Navigate(feedback_address);
}

MessageWindow::~MessageWindow() = default;

std::span<const EventBinding<MessageWindow>> MessageWindow::Bindings() {
  static const EventBinding<MessageWindow> bindings[] = {
      {"", ControlEvent::kCreated, &MessageWindow::ShowMessageNotice},
  };
  return bindings;
}

void MessageWindow::ShowMessageNotice() { MsgBox("调用腾讯官方接口，可放心留言"_gbk); }

QWidget* MessageWindow::Browser() const { return ui_->超文本浏览框1->View(); }

}  // namespace kestrilo
