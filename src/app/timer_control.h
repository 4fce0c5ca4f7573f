#pragma once

// 时钟1: a timer placed on a window like a control. It has no visible form;
// it raises `elapsed` every period while it runs.

#include <QTimer>
#include <QWidget>

namespace kestrilo {

class TimerControl : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int interval READ interval WRITE setInterval)
  Q_PROPERTY(bool running READ running WRITE setRunning)

 public:
  explicit TimerControl(QWidget* parent = nullptr);

  int interval() const { return timer_.interval(); }
  void setInterval(int milliseconds);
  bool running() const { return running_; }
  void setRunning(bool running);

 signals:
  void elapsed();

 private:
  void Restart();

  QTimer timer_;
  bool running_ = false;
};

}  // namespace kestrilo
