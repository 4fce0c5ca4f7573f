#include "app/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QStandardPaths>
#include <QTimer>

#include "app/message_window.h"
#include "app/qt_text.h"
#include "app/skin_library.h"
#include "app/window_loader.h"
#include "mining/export_results.h"
#include "mining/recipe_set.h"
#include "mining/recipe_source.h"
#include "platform/http_exchange.h"
#include "platform/os_version.h"
#include "runtime/conversion.h"
#include "runtime/gbk.h"

#include "app/file_dialog_control.h"
#include "app/form_builder.h"
#include "app/hyperlink_label.h"
#include "app/status_bar_control.h"
#include "forms/window_form.h"

namespace kestrilo {
namespace {

// Current systems: the windows keep the system look.
constexpr int kModernSystems = 12;

}  // namespace

MainWindow::MainWindow(MainWindowSettings settings, QWidget* parent)
    : QWidget(parent),
      settings_(std::move(settings)),
      requests_(settings_.request_timeout_seconds) {
  BuildForm(*this, forms::MainWindowForm());
  move(50, 50);
  setWindowIcon(QIcon(QStringLiteral(":/kestrilo/kestrilo.png")));
  FormControl<QLineEdit>(*this, "编辑框3").setText(settings_.contact.qq_number);
  FormControl<HyperlinkLabel>(*this, "超级链接框1").setAddress(settings_.contact.chat_address);

  keyword_box_.emplace(&FormControl<QLineEdit>(*this, "编辑框1"));
  result_box_.emplace(&FormControl<QPlainTextEdit>(*this, "编辑框2"));
  progress_.emplace(&FormControl<QProgressBar>(*this, "进度条1"));
  export_button_.emplace(&FormControl<QPushButton>(*this, "按钮2"));
  query_button_ = &FormControl<QPushButton>(*this, "按钮1");
  status_bar_ = &FormControl<StatusBarControl>(*this, "状态条1");
  save_dialog_ = &FormControl<FileDialogControl>(*this, "通用对话框1");
  if (!settings_.recipes) {
    RecipeSet set = LoadRecipeSet(UserRecipeFilePath(), false);
    if (set.error) recipe_error_ = set.error->Describe();
    settings_.recipes = std::move(set.recipes);
  }
  run_.emplace(*this, requests_, MakeKeywordSources(*settings_.recipes, settings_.pace_ms));
  FitProgress(run_->SourceCount());
}

MainWindow::~MainWindow() = default;

std::span<const EventBinding<MainWindow>> MainWindow::Bindings() {
  static const EventBinding<MainWindow> bindings[] = {
      {"", ControlEvent::kCreated, &MainWindow::InitMainWindow},
      {"时钟1", ControlEvent::kElapsed, &MainWindow::ShowClock},
      {"编辑框1", ControlEvent::kContentChanged, &MainWindow::ClearResults},
      {"按钮1", ControlEvent::kClicked, &MainWindow::MiningRun},
      {"按钮2", ControlEvent::kClicked, &MainWindow::ExportResults},
      {"按钮3", ControlEvent::kClicked, &MainWindow::OpenMessageWindow},
  };
  return bindings;
}

StatusBar& MainWindow::Status() { return *status_bar_; }

int MainWindow::WindowsVersionClass() const {
  if (settings_.version_class) return settings_.version_class();
  return ::kestrilo::WindowsVersionClass(CurrentOsVersion());
}

void MainWindow::InitMainWindow() {
  if (WindowsVersionClass() != kModernSystems) ApplyCarriedSkin();
  save_dialog_->setProperty("initialDirectory",
                            ExportFolderFor(QCoreApplication::applicationDirPath()));
  SetUpStatusBar(settings_.clock ? settings_.clock() : Now());
  if (!recipe_error_.empty()) {
    QTimer::singleShot(0, this, [this] { ShowRecipeFileProblem(recipe_error_); });
  }
}

void MainWindow::ShowClock() { ShowTime(settings_.clock ? settings_.clock() : Now()); }

void MainWindow::ClearResults() { result_box_->SetContent(Text{}); }

// Without libcurl every source would fail alike, as if the network were
// down: the first query says why instead, once.
void MainWindow::MiningRun() {
  if (!http_client_checked_ && !RunInProgress()) {
    http_client_checked_ = true;
    if (const std::string problem = HttpClientProblem(); !problem.empty()) {
      ShowMessage("无法载入 libcurl，查询无法联网：\r\n"_gbk + GbkFromUtf8(problem));
    }
  }
  run_->Run();
}

void MainWindow::ExportResults() { ::kestrilo::ExportResults(*this, *save_dialog_); }

void MainWindow::OpenMessageWindow() {
  LoadWindow(message_window_,
             [this] { return new MessageWindow(settings_.contact.feedback_address); });
}

MessageWindow* MainWindow::OpenMessage() const { return message_window_.data(); }

// No confirmation. A run under way notices at its next step and ends; a
// transfer in flight is aborted now rather than after its time-out.
void MainWindow::closeEvent(QCloseEvent* event) {
  closing_ = true;
  if (RunInProgress()) CancelTransfers(true);
  // Closing the main window ends the program, 在线留言 included.
  if (message_window_) message_window_->close();
  event->accept();
}

QString MainWindow::ExportFolderFor(const QString& run_directory) {
  const QFileInfo folder(run_directory);
  if (folder.isDir() && folder.isWritable()) return run_directory;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// Enter presses the focused button, as in a dialog; anywhere else that
// does not take it itself (the result box does) it presses 按钮1, the
// window's default button.
void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    auto* focused = qobject_cast<QPushButton*>(focusWidget());
    QPushButton* button = focused != nullptr ? focused : query_button_;
    if (button->isEnabled()) button->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace kestrilo
