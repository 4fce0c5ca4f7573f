// Kestrilo's desktop program.

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLoggingCategory>
#include <csignal>

#include <unistd.h>

#include "app/app_resources.h"
#include "app/main_window.h"
#include "app/program_start.h"
#include "app/qt_translations.h"
#include "app/qt_ui_port.h"
#include "app/window_loader.h"
#include "platform/platform_classes.h"

int main(int argc, char** argv) {
  // The embedded browser's sandbox refuses to start for root; a developer
  // running the program as root gets the page without it.
  if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  }
  // The browser engine reports its set-up and the page's console messages on
  // standard error, which says nothing to a user; KESTRILO_DEBUG keeps them.
  if (!qEnvironmentVariableIsSet("KESTRILO_DEBUG")) {
    QLoggingCategory::setFilterRules(
        QStringLiteral("qt.webengine*=false\njs=false\ndefault.info=false"));
  }
  // An export past a file-size limit then fails as 保存失败！ with the old
  // file kept, rather than ending the program by a signal.
  std::signal(SIGXFSZ, SIG_IGN);
  // No OpenGL context sharing is set up for the browser engine: that would
  // cost the start a third of its time, and the engine, loaded when
  // 在线留言 first opens, draws its pages without it.
  QApplication app(argc, argv);
  kestrilo::LoadAppResources();
  kestrilo::InstallChineseQtTranslations();
  QApplication::setApplicationName(QStringLiteral("Kestrilo"));
  QGuiApplication::setDesktopFileName(QStringLiteral("kestrilo"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/kestrilo/kestrilo.png")));

  kestrilo::RegisterPlatformClasses();
  kestrilo::QtUiPort ui_port;
  kestrilo::ScopedUiPort installed(ui_port);
  return kestrilo::ProgramStart([] { return kestrilo::LoadStartWindow<kestrilo::MainWindow>(); });
}
