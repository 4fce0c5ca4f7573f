// kestrilo-minimal-window: an empty Qt Widgets window of the main window's
// size, the yardstick for how fast Kestrilo's window comes up.

#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setFixedSize(375, 572);
  window.show();
  return QApplication::exec();
}
