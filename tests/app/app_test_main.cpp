// Runs the desktop program's QTest classes, all or the one named by the
// first argument, inside one QApplication on the offscreen platform.

#include <QApplication>
#include <QInputMethodEvent>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

#include "app/app_resources.h"
#include "app/qt_text.h"
#include "app/qt_translations.h"
#include "app/qt_ui_port.h"
#include "platform/platform_classes.h"

#include "tests/app/app_test_support.h"
#include "tests/app/test_classes.h"

namespace kestrilo::testing {

QStringList& MessageLog::Texts() {
  static QStringList texts;
  return texts;
}

std::function<void(const QString&)>& MessageLog::OnMessage() {
  static std::function<void(const QString&)> hook;
  return hook;
}

void MessageLog::Clear() {
  Texts().clear();
  OnMessage() = nullptr;
}

void TypeText(QWidget* widget, const QString& text) {
  for (const QChar character : text) {
    QInputMethodEvent event;
    event.setCommitString(character);
    QApplication::sendEvent(widget, &event);
  }
}

}  // namespace kestrilo::testing

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (!qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  }
  // The windows read their user recipes from here, never from the real home.
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
  QApplication app(argc, argv);
  // Windows close and open again from test to test.
  QApplication::setQuitOnLastWindowClosed(true);
  kestrilo::LoadAppResources();
  kestrilo::InstallChineseQtTranslations();
  kestrilo::RegisterPlatformClasses();

  kestrilo::QtUiPort port;
  kestrilo::ScopedUiPort installed(port);
  port.SetAnswerHook([](const kestrilo::MsgBoxRequest& request) {
    const QString text = kestrilo::QStringFromGbk(request.text);
    kestrilo::testing::MessageLog::Texts() << text;
    if (auto& hook = kestrilo::testing::MessageLog::OnMessage()) hook(text);
    return kestrilo::MsgBoxButton::kOk;
  });

  QStringList args = QCoreApplication::arguments();
  const QString only = args.size() > 1 && !args[1].startsWith('-') ? args.takeAt(1) : QString();
  int failures = 0;
  for (const auto& make : kestrilo::testing::TestClasses()) {
    std::unique_ptr<QObject> test = make();
    if (!only.isEmpty() &&
        only != QString::fromUtf8(test->metaObject()->className()).section(':', -1)) {
      continue;
    }
    kestrilo::testing::MessageLog::Clear();
    failures += QTest::qExec(test.get(), args);
  }
  return failures == 0 ? 0 : 1;
}
