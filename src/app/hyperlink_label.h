#pragma once

// 超级链接框1: a caption drawn as a link that opens its address with the
// desktop's "open" action when clicked, or when Enter or Space is pressed
// while it has the keyboard focus (Tab reaches it).

#include <QLabel>
#include <QUrl>
#include <functional>

namespace kestrilo {

class HyperlinkLabel : public QLabel {
  Q_OBJECT
  Q_PROPERTY(QString address READ address WRITE setAddress)

 public:
  // How an address is opened: the desktop's handler first, and when that
  // reports failure, the browser started directly. Tests replace both.
  struct Openers {
    std::function<bool(const QUrl&)> desktop;
    std::function<bool(const QString&)> fallback;
  };
  static Openers SetOpeners(Openers openers);  // returns the previous ones

  explicit HyperlinkLabel(QWidget* parent = nullptr);

  QString address() const { return address_; }
  void setAddress(const QString& address) { address_ = address; }

  // Opens the address; false when neither way could.
  bool Open() const;

 signals:
  void clicked();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void Activate();

  QString address_;
  bool pressed_ = false;
};

}  // namespace kestrilo
