#include "app/timer_control.h"

namespace kestrilo {

TimerControl::TimerControl(QWidget* parent) : QWidget(parent) {
  // Hidden explicitly, so showing the window does not show it.
  hide();
  connect(&timer_, &QTimer::timeout, this, &TimerControl::elapsed);
}

void TimerControl::setInterval(int milliseconds) {
  timer_.setInterval(milliseconds);
  Restart();
}

void TimerControl::setRunning(bool running) {
  running_ = running;
  Restart();
}

// A period of 0 or less stops the timer rather than firing on every pass of
// the event loop.
void TimerControl::Restart() {
  if (running_ && timer_.interval() > 0) {
    timer_.start();
  } else {
    timer_.stop();
  }
}

}  // namespace kestrilo
