#pragma once

// The start window: seed, query and export, the result list, progress,
// status bar with its clock, and the notes group with the contact controls.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/contact_data.h"
#include "app/event_binding.h"
#include "app/widget_controls.h"
#include "mining/engine_requests.h"
#include "mining/mining_run.h"
#include "mining/mining_window.h"
#include "mining/source_recipe.h"
#include "runtime/types.h"

namespace kestrilo {

class FileDialogControl;
class MessageWindow;
class StatusBarControl;

struct MainWindowSettings {
  ContactData contact = BuiltInContactData();
  // The sources; absent: the built-ins with the user's recipe file over them.
  std::optional<std::vector<SourceRecipe>> recipes;
  // Replaces the pause of the recipes that pause (tests set 0).
  std::optional<int> pace_ms;
  std::optional<int> request_timeout_seconds;
  // What the clock shows; the system's time unless a test sets it.
  std::function<DateTime()> clock;
  // The operating system's version class; the platform's unless a test sets
  // it.
  std::function<int()> version_class;
};

class MainWindow : public QWidget, public MiningWindow {
  Q_OBJECT

 public:
  explicit MainWindow(MainWindowSettings settings = {}, QWidget* parent = nullptr);
  ~MainWindow() override;

  static std::span<const EventBinding<MainWindow>> Bindings();

  // What the mining run and the export see.
  EditBox& KeywordBox() override { return *keyword_box_; }
  EditBox& ResultBox() override { return *result_box_; }
  ProgressBar& Progress() override { return *progress_; }
  StatusBar& Status() override;
  Button& ExportButton() override { return *export_button_; }
  bool IsClosing() const override { return closing_; }

  // Event handlers.
  void InitMainWindow();
  void ShowClock();
  void ClearResults();
  void MiningRun();
  void ExportResults();
  void OpenMessageWindow();

  // Where the save dialog starts: the program's folder when the user may
  // write there (not so once installed), else the documents folder or home.
  static QString ExportFolderFor(const QString& run_directory);

  // 0 to 12; only 12 (current systems) leaves the skin off.
  int WindowsVersionClass() const;

  bool RunInProgress() const { return run_ && run_->IsRunning(); }
  // The open message window, if any.
  MessageWindow* OpenMessage() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  MainWindowSettings settings_;
  std::optional<LineEditBox> keyword_box_;
  std::optional<PlainEditBox> result_box_;
  std::optional<WidgetProgressBar> progress_;
  std::optional<WidgetButton> export_button_;
  EngineRequests requests_;
  std::optional<::kestrilo::MiningRun> run_;
  QPointer<MessageWindow> message_window_;
  bool closing_ = false;
  StatusBarControl* status_bar_ = nullptr;
  FileDialogControl* save_dialog_ = nullptr;
  QPushButton* query_button_ = nullptr;
  // What was wrong with the user's recipe file; shown once the window is up.
  std::string recipe_error_;
  bool http_client_checked_ = false;
};

}  // namespace kestrilo
