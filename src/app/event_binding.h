#pragma once

// The event-binding table of a declared window: which handler runs for which
// event of which control. Handlers take no arguments and return nothing.

#include <QObject>
#include <QStringList>
#include <functional>
#include <span>

namespace kestrilo {

// The first event of each kind that the program handles.
enum class ControlEvent {
  kCreated,         // the window: it and all its controls exist
  kClicked,         // a button or a hyperlink
  kContentChanged,  // an edit box, by the user's edits only
  kElapsed,         // a timer's period
};

template <typename Window>
struct EventBinding {
  const char* control;  // object name (UTF-8); empty for the window itself
  ControlEvent event;
  void (Window::*handler)();
};

// Connects `handler` to `event` of `control`; false when the control's kind
// has no such event.
bool ConnectControlEvent(QObject* control, ControlEvent event, QObject* context,
                         std::function<void()> handler);

// Connects every binding of `table` but the created ones, which the window
// loader raises itself. Returns the names of the controls that could not be
// bound (missing, or of a kind without that event): a broken definition.
template <typename Window>
QStringList BindEvents(Window& window, std::span<const EventBinding<Window>> table) {
  QStringList unbound;
  for (const EventBinding<Window>& binding : table) {
    if (binding.event == ControlEvent::kCreated) continue;
    const QString name = QString::fromUtf8(binding.control);
    QObject* control = window.template findChild<QObject*>(name);
    auto handler = [&window, member = binding.handler] { (window.*member)(); };
    if (control == nullptr || !ConnectControlEvent(control, binding.event, &window, handler)) {
      unbound << name;
    }
  }
  return unbound;
}

template <typename Window>
void RaiseCreated(Window& window, std::span<const EventBinding<Window>> table) {
  for (const EventBinding<Window>& binding : table) {
    if (binding.event == ControlEvent::kCreated) (window.*binding.handler)();
  }
}

}  // namespace kestrilo
