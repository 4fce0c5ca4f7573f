#include "win32/main_window.h"

#include <shlobj.h>

#include "mining/export_results.h"
#include "mining/recipe_set.h"
#include "mining/recipe_source.h"
#include "platform/http_exchange.h"
#include "runtime/conversion.h"
#include "runtime/file_writer.h"
#include "runtime/gbk.h"
#include "runtime/ui_port.h"
#include "runtime/windows_text.h"
#include "win32/wide_text.h"

namespace kestrilo::win32 {
namespace {

// Said once the window shows: a bad recipe file.
constexpr UINT kShowRecipeError = WM_APP + 1;

// Where the save dialog starts: the program's folder when the user may
// write there (not so once installed under Program Files), else the
// documents folder.
std::wstring ExportFolder() {
  const std::wstring program = WideFromUtf8(Utf8FromGbk(RunDirectory()));
  const std::wstring probe = program + L"\\.kestrilo-write-test";
  HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    ::CloseHandle(file);
    return program;
  }
  PWSTR documents = nullptr;
  std::wstring folder;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents))) {
    folder = documents;
  }
  ::CoTaskMemFree(documents);
  return folder;
}

}  // namespace

MainWindow::MainWindow(ContactAddresses contact)
    : FormWindow(forms::MainWindowForm()), contact_(std::move(contact)) {
  ::SetWindowTextW(Control("编辑框3"), contact_.qq_number.c_str());
  keyword_box_.emplace(*this, Control("编辑框1"));
  result_box_.emplace(*this, Control("编辑框2"));
  progress_.emplace(Control("进度条1"));
  status_.emplace(Control("状态条1"));
  export_button_.emplace(Control("按钮2"));
  const forms::ControlForm& dialog = *forms::MainWindowForm().Find("通用对话框1");
  save_dialog_.emplace(Handle(), WideFromUtf8(dialog.filter), WideFromUtf8(dialog.default_extension));

  RecipeSet set = LoadRecipeSet(UserRecipeFilePath(), false);
  if (set.error) recipe_error_ = set.error->Describe();
  run_.emplace(*this, requests_, MakeKeywordSources(set.recipes, std::nullopt));
  FitProgress(run_->SourceCount());
  Bind("时钟1", Event::kElapsed, [this] { ShowClock(); });
  Bind("编辑框1", Event::kContentChanged, [this] { ClearResults(); });
  Bind("按钮1", Event::kClicked, [this] { MiningRun(); });
  Bind("按钮2", Event::kClicked, [this] { ExportResults(); });
  Bind("按钮3", Event::kClicked, [this] { OpenMessageWindow(); });
  Bind("超级链接框1", Event::kClicked, [this] { OpenContactLink(); });
}

MainWindow::~MainWindow() = default;

void MainWindow::InitMainWindow() {
  save_dialog_->SetInitialFolder(ExportFolder());
  SetUpStatusBar(Now());
  if (!recipe_error_.empty()) ::PostMessageW(Handle(), kShowRecipeError, 0, 0);
}

void MainWindow::ShowClock() { ShowTime(Now()); }

void MainWindow::ClearResults() { result_box_->SetContent(Text{}); }

void MainWindow::MiningRun() { run_->Run(); }

void MainWindow::ExportResults() { ::kestrilo::ExportResults(*this, *save_dialog_); }

void MainWindow::OpenContactLink() { OpenInDefaultBrowser(Handle(), contact_.chat_address); }

// One 在线留言 at a time: a second click brings the open one back. The
// window is kept before its notice shows, for a click during the notice
// to find it.
void MainWindow::OpenMessageWindow() {
  if (message_window_ && message_window_->IsOpen()) {
    message_window_->BringToFront();
    return;
  }
  message_window_ = std::make_unique<MessageWindow>(contact_.feedback_address);
  message_window_->Open();
}

bool MainWindow::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
  switch (message) {
    case kShowRecipeError:
      ShowRecipeFileProblem(recipe_error_);
      result = 0;
      return true;
    case WM_CLOSE:
      // No confirmation. A run under way notices at its next step and ends;
      // a transfer in flight is aborted now rather than after its time-out.
      closing_ = true;
      if (run_ && run_->IsRunning()) CancelTransfers(true);
      // Closing the main window ends the program, 在线留言 included.
      if (message_window_ && message_window_->IsOpen()) ::DestroyWindow(message_window_->Handle());
      ::DestroyWindow(Handle());
      result = 0;
      return true;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      result = 0;
      return true;
    default: return false;
  }
}

}  // namespace kestrilo::win32
