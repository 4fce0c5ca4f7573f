#include "app/browser_control.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLibrary>
#include <QScopeGuard>
#include <QUrl>
#include <QVBoxLayout>

namespace kestrilo {
namespace {

using CreateView = QWidget* (*)(QWidget*);

// Beside the program, in the lib folder of its installed tree (wherever that
// was moved), where it was installed, and in the build tree.
CreateView ViewFactory() {
  static const CreateView factory = []() -> CreateView {
    const QString name = QStringLiteral("kestrilo-browser");
    const QDir program(QCoreApplication::applicationDirPath());
    const QStringList folders = {program.path(),
                                 program.filePath(QStringLiteral(KESTRILO_BROWSER_RELATIVE_DIR)),
                                 QStringLiteral(KESTRILO_BROWSER_INSTALL_DIR),
                                 QStringLiteral(KESTRILO_BROWSER_BUILD_DIR)};
    // Loading the engine late draws its advice to load it early, which a
    // user can do nothing about; KESTRILO_DEBUG lets it through.
    const bool quiet = !qEnvironmentVariableIsSet("KESTRILO_DEBUG");
    const QtMessageHandler previous =
        quiet ? qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {})
              : nullptr;
    const auto restore = qScopeGuard([quiet, previous] {
      if (quiet) qInstallMessageHandler(previous);
    });
    for (const QString& folder : folders) {
      QLibrary module(QDir(folder).filePath(name));
      if (auto make_view =
              reinterpret_cast<CreateView>(module.resolve("KestriloCreateBrowserView"))) {
        return make_view;
      }
    }
    return nullptr;
  }();
  return factory;
}

}  // namespace

BrowserControl::BrowserControl(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
}

bool BrowserControl::Navigate(const QString& address) {
  if (!view_) {
    if (const CreateView make_view = ViewFactory()) {
      view_ = make_view(this);
      layout()->addWidget(view_);
    }
  }
  if (!view_) {
    auto* note =
        new QLabel(QString::fromUtf8("内置浏览器无法加载，请用浏览器打开：\n") + address, this);
    note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    note->setAlignment(Qt::AlignCenter);
    layout()->addWidget(note);
    return false;
  }
  view_->setProperty("url", QUrl(address));
  return true;
}

}  // namespace kestrilo
