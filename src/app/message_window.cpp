#include "app/message_window.h"

#include <QIcon>

#include "runtime/gbk.h"
#include "runtime/ui_port.h"

#include "app/browser_control.h"
#include "app/form_builder.h"
#include "forms/window_form.h"

namespace kestrilo {

MessageWindow::MessageWindow(const QString& feedback_address, QWidget* parent)
    : QWidget(parent) {
  BuildForm(*this, forms::MessageWindowForm());
  move(50, 50);
  setWindowIcon(QIcon(QStringLiteral(":/kestrilo/kestrilo.png")));
  FormControl<BrowserControl>(*this, "超文本浏览框1").Navigate(feedback_address);
}

MessageWindow::~MessageWindow() = default;

std::span<const EventBinding<MessageWindow>> MessageWindow::Bindings() {
  static const EventBinding<MessageWindow> bindings[] = {
      {"", ControlEvent::kCreated, &MessageWindow::ShowMessageNotice},
  };
  return bindings;
}

void MessageWindow::ShowMessageNotice() { MsgBox("调用腾讯官方接口，可放心留言"_gbk); }

QWidget* MessageWindow::Browser() const {
  return FormControl<BrowserControl>(*this, "超文本浏览框1").View();
}

}  // namespace kestrilo
