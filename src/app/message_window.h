#pragma once

// The leave-a-message window: the maker's feedback page in an embedded
// browser.

#include <QWidget>
#include <span>

#include "app/event_binding.h"

namespace kestrilo {

class MessageWindow : public QWidget {
  Q_OBJECT

 public:
  // Starts loading `feedback_address` at once.
  explicit MessageWindow(const QString& feedback_address, QWidget* parent = nullptr);
  ~MessageWindow() override;

  static std::span<const EventBinding<MessageWindow>> Bindings();

  void ShowMessageNotice();

  // The embedded browser's view; null where the engine could not be loaded.
  QWidget* Browser() const;
};

}  // namespace kestrilo
