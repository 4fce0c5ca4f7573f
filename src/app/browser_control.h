#pragma once

// 超文本浏览框1: an embedded web browser. The engine is a module loaded the
// first time a page is shown, so that the program starts without it; where
// the module cannot be loaded, the control says so and shows the address.

#include <QPointer>
#include <QString>
#include <QWidget>

namespace kestrilo {

class BrowserControl : public QWidget {
  Q_OBJECT

 public:
  explicit BrowserControl(QWidget* parent = nullptr);

  // Shows the page at `address`; false when there is no browser engine.
  bool Navigate(const QString& address);
  // The engine's view once a page was asked for; null without an engine.
  QWidget* View() const { return view_; }

 private:
  QPointer<QWidget> view_;
};

}  // namespace kestrilo
