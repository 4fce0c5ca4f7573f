#include "app/event_binding.h"

#include <QAbstractButton>
#include <QLineEdit>

#include "app/hyperlink_label.h"
#include "app/timer_control.h"

namespace kestrilo {

bool ConnectControlEvent(QObject* control, ControlEvent event, QObject* context,
                         std::function<void()> handler) {
  switch (event) {
    case ControlEvent::kCreated: return false;
    case ControlEvent::kClicked:
      if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        QObject::connect(button, &QAbstractButton::clicked, context, [handler] { handler(); });
        return true;
      }
      if (auto* link = qobject_cast<HyperlinkLabel*>(control)) {
        QObject::connect(link, &HyperlinkLabel::clicked, context, handler);
        return true;
      }
      return false;
    case ControlEvent::kContentChanged:
      // textEdited, not textChanged: the program's own writes must not
      // raise the event.
      if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        QObject::connect(edit, &QLineEdit::textEdited, context, [handler] { handler(); });
        return true;
      }
      return false;
    case ControlEvent::kElapsed:
      if (auto* timer = qobject_cast<TimerControl*>(control)) {
        QObject::connect(timer, &TimerControl::elapsed, context, handler);
        return true;
      }
      return false;
  }
  return false;
}

}  // namespace kestrilo
