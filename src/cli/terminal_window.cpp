#include "cli/terminal_window.h"

#include <algorithm>
#include <string_view>
#include <thread>

#include "cli/terminal_text.h"
#include "platform/console.h"
#include "runtime/gbk.h"

namespace kestrilo {

void TerminalReport::ClearShown() {
  if (!progress_shown_) return;
  WriteText(stream_, "\r\033[K");
  progress_shown_ = false;
}

void TerminalReport::ClearProgress() {
  const std::lock_guard lock(mutex_);
  ClearShown();
}

void TerminalReport::Progress(const std::string& utf8) {
  if (!progress_) return;
  const std::lock_guard lock(mutex_);
  ClearShown();
  WriteText(stream_, ForTerminal(utf8));
  std::fflush(stream_);
  progress_shown_ = true;
}

void TerminalReport::KeepProgress() {
  const std::lock_guard lock(mutex_);
  if (!progress_shown_) return;
  WriteText(stream_, "\n");
  std::fflush(stream_);
  progress_shown_ = false;
}

void TerminalReport::Line(const std::string& utf8) {
  const std::lock_guard lock(mutex_);
  ClearShown();
  WriteText(stream_, ForTerminal(utf8, true));
  WriteText(stream_, "\n");
  std::fflush(stream_);
}

void CountingEditBox::SetContent(const Text& text) {
  MemoryEditBox::SetContent(text);
  changed_();
}

void CountingEditBox::InsertAtEnd(const Text& text) {
  MemoryEditBox::InsertAtEnd(text);
  appended_ += text;
  changed_();
}

TerminalWindow::TerminalWindow(TerminalReport& report, bool draws_progress)
    : report_(report), draws_progress_(draws_progress), results_([this] { ShowProgress(); }) {
  // The clock part comes first, as in the window, so the run's texts land
  // in the part it writes to.
  status_.AddPart({});
  status_.AddPart({});
}

namespace {

// The non-empty lines of `list` that `counts` accepts.
template <typename Counts>
int CountLines(const Text& list, Counts counts) {
  int count = 0;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find("\r\n", start), list.size());
    if (end > start && counts(std::string_view(list).substr(start, end - start))) ++count;
    start = end + 2;
  }
  return count;
}

}  // namespace

int TerminalWindow::KeywordCount() const {
  return CountLines(results_.Content(), [](std::string_view) { return true; });
}

// The list before this seed and this seed's keywords it did not hold yet.
int TerminalWindow::ListedCount() const {
  return static_cast<int>(keywords_before_) +
         CountLines(results_.Content(),
                    [this](std::string_view line) { return !holds_ || !holds_(Text(line)); });
}

void TerminalWindow::SetSource(int number, int total, const std::string& name) {
  source_number_ = number;
  source_total_ = total;
  source_name_ = name;
  ShowProgress();
}

void TerminalWindow::SetLevel(int level, int seeds_done, int seeds_to_do) {
  level_ = "level " + std::to_string(level) + ", seed " + std::to_string(seeds_done + 1) + "/" +
           std::to_string(seeds_done + seeds_to_do) + ", ";
}

void TerminalWindow::ClearSource() {
  source_number_ = 0;
  if (draws_progress_) report_.ClearProgress();
}

// Counting the keywords reads the whole list: only when a line shows it.
void TerminalWindow::ShowProgress() {
  if (source_number_ == 0 || !draws_progress_ || !report_.ShowsProgress()) return;
  report_.Progress(Utf8FromGbk(keyword_.Content()) + ": " + level_ + "source " +
                   std::to_string(source_number_) + "/" + std::to_string(source_total_) + " (" +
                   source_name_ + "), " + std::to_string(ListedCount()) + " keywords");
}

void TerminalWindow::ShowMessage(const Text& text) {
  if (!draws_progress_) {
    source_number_ = 0;
    return;
  }
  // The first line only: the sources that gave nothing, which the window
  // lists after it, have warning lines of their own here.
  const std::string_view first = std::string_view(text).substr(0, text.find("\r\n"));
  report_.Progress(Utf8FromGbk(keyword_.Content()) + ": " + std::to_string(ListedCount()) +
                   " keywords — " + Utf8FromGbk(first));
  report_.KeepProgress();
  source_number_ = 0;
}

MsgBoxButton TerminalUiPort::ShowMessageBox(const MsgBoxRequest& request) {
  report_.Line(Utf8FromGbk(request.text));
  return MsgBoxButton::kOk;
}

void TerminalUiPort::Wait(std::chrono::milliseconds duration) {
  if (stop_ != nullptr) return stop_->Sleep(duration);
  std::this_thread::sleep_for(duration);
}

}  // namespace kestrilo
