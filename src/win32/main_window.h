#pragma once

// The start window on Win32, built from the same declaration as the Qt one
// (forms/main_window_form.cpp), with the same handlers: the clock, the
// query, the export, the contact link and the feedback page.

#include <memory>
#include <optional>
#include <string>

#include "mining/engine_requests.h"
#include "mining/mining_run.h"
#include "mining/mining_window.h"
#include "win32/controls.h"
#include "win32/form_window.h"
#include "win32/message_window.h"

namespace kestrilo::win32 {

struct ContactAddresses {
  std::wstring qq_number;
  std::wstring chat_address;
  std::wstring feedback_address;
};

class MainWindow final : public FormWindow, public MiningWindow {
 public:
  explicit MainWindow(ContactAddresses contact);
  ~MainWindow() override;

  EditBox& KeywordBox() override { return *keyword_box_; }
  EditBox& ResultBox() override { return *result_box_; }
  ProgressBar& Progress() override { return *progress_; }
  StatusBar& Status() override { return *status_; }
  Button& ExportButton() override { return *export_button_; }
  bool IsClosing() const override { return closing_; }

  // Event handlers.
  void InitMainWindow();
  void ShowClock();
  void ClearResults();
  void MiningRun();
  void ExportResults();
  void OpenContactLink();
  void OpenMessageWindow();
  // The 在线留言 window while open, else null.
  const MessageWindow* OpenMessage() const {
    return message_window_ && message_window_->IsOpen() ? message_window_.get() : nullptr;
  }

 protected:
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

 private:
  ContactAddresses contact_;
  std::optional<EditControl> keyword_box_;
  std::optional<EditControl> result_box_;
  std::optional<ProgressControl> progress_;
  std::optional<StatusBarControl> status_;
  std::optional<ButtonControl> export_button_;
  std::optional<SaveDialog> save_dialog_;
  EngineRequests requests_;
  std::optional<::kestrilo::MiningRun> run_;
  std::unique_ptr<MessageWindow> message_window_;
  std::string recipe_error_;
  bool closing_ = false;
};

}  // namespace kestrilo::win32
