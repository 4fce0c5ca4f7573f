#pragma once

// Loading declared windows: create the window and its controls, bind its
// events, raise its created event, show it.

#include <QPointer>
#include <QWidget>
#include <memory>

#include "app/event_binding.h"

namespace kestrilo {

// Binds the window's events, runs its created handler and shows it; false,
// with the window unshown, when the definition names a control or event the
// window lacks.
template <typename Window>
bool ShowDeclaredWindow(Window& window) {
  if (!BindEvents<Window>(window, Window::Bindings()).isEmpty()) return false;
  RaiseCreated<Window>(window, Window::Bindings());
  window.show();
  return true;
}

// The start window, owned by the caller; null when it could not be created.
template <typename Window, typename... Args>
std::unique_ptr<Window> LoadStartWindow(Args&&... args) {
  auto window = std::make_unique<Window>(std::forward<Args>(args)...);
  if (!ShowDeclaredWindow(*window)) return nullptr;
  return window;
}

// A further window, modeless and deleted when closed. While `slot` holds an
// open one, that one is restored or brought to the front instead of a second
// being created.
template <typename Window, typename Create>
bool LoadWindow(QPointer<Window>& slot, Create create) {
  if (slot) {
    if (slot->isMinimized()) {
      slot->showNormal();
    } else {
      slot->raise();
      slot->activateWindow();
    }
    return true;
  }
  Window* window = create();
  if (window == nullptr) return false;
  window->setAttribute(Qt::WA_DeleteOnClose);
  // Set before the created handler runs: it may pump events, and a second
  // click there must find this window.
  slot = window;
  if (!ShowDeclaredWindow(*window)) {
    delete window;
    return false;
  }
  return true;
}

}  // namespace kestrilo
