#pragma once

// The mining window of the command line: controls in memory, with what a
// run shows reported on standard error instead.

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

#include "cli/run_stop.h"
#include "mining/mining_window.h"
#include "runtime/memory_controls.h"
#include "runtime/ui_port.h"

namespace kestrilo {

// Writes progress and request reports to one stream. The progress line is
// redrawn in place, so it is only drawn on a terminal; every other line
// first wipes it. Keywords reach it as seeds and addresses, so control
// characters in what it is given show as "?". Seeds mined at once report through one of these, a
// line at a time.
class TerminalReport {
 public:
  TerminalReport(std::FILE* stream, bool progress, bool verbose)
      : stream_(stream), progress_(progress), verbose_(verbose) {}

  bool Verbose() const { return verbose_; }
  bool ShowsProgress() const { return progress_; }
  void Progress(const std::string& utf8);
  // Ends the progress line so that it stays on screen.
  void KeepProgress();
  void Line(const std::string& utf8);
  void Detail(const std::string& utf8) {
    if (verbose_) Line(utf8);
  }
  // Wipes the progress line, so that standard output can be written.
  void ClearProgress();

 private:
  void ClearShown();

  std::mutex mutex_;
  std::FILE* stream_;
  bool progress_;
  bool verbose_;
  bool progress_shown_ = false;
};

// Reports each change, and keeps what was appended since it was last
// asked, so that the list is never copied to learn what a source added.
class CountingEditBox : public MemoryEditBox {
 public:
  explicit CountingEditBox(std::function<void()> changed) : changed_(std::move(changed)) {}
  void SetContent(const Text& text) override;
  void InsertAtEnd(const Text& text) override;

  Text TakeAppended() { return std::exchange(appended_, {}); }

 private:
  std::function<void()> changed_;
  Text appended_;
};

class TerminalWindow : public MiningWindow {
 public:
  // A window that draws no progress line of its own still reports lines.
  explicit TerminalWindow(TerminalReport& report, bool draws_progress = true);

  EditBox& KeywordBox() override { return keyword_; }
  EditBox& ResultBox() override { return results_; }
  CountingEditBox& Results() { return results_; }
  ProgressBar& Progress() override { return progress_; }
  StatusBar& Status() override { return status_; }
  Button& ExportButton() override { return export_button_; }
  // The run's closing message ends the seed's progress line.
  void ShowMessage(const Text& text) override;

  // Set by the sources' wrappers: the 1-based number of the source at work.
  void SetSource(int number, int total, const std::string& name);
  // Set before each seed of a run several levels deep.
  void SetLevel(int level, int seeds_done, int seeds_to_do);
  // The list as it stood before this window's seed, for the count the
  // progress line shows: how many keywords it held, and whether it holds
  // a given one.
  void SetListBefore(std::size_t count, std::function<bool(const Text&)> holds) {
    keywords_before_ = count;
    holds_ = std::move(holds);
  }
  // A run stops at its next step once `*flag` is true (Ctrl+C).
  void StopWhen(const std::atomic<bool>* flag) { stop_ = flag; }
  bool IsClosing() const override { return stop_ != nullptr && stop_->load(); }
  // No source at work: the progress line goes.
  void ClearSource();
  int KeywordCount() const;

 private:
  void ShowProgress();

  TerminalReport& report_;
  int ListedCount() const;

  bool draws_progress_;
  std::size_t keywords_before_ = 0;
  std::function<bool(const Text&)> holds_;
  MemoryEditBox keyword_;
  CountingEditBox results_;
  MemoryProgressBar progress_{0, 60};
  MemoryStatusBar status_;
  MemoryButton export_button_;
  int source_number_ = 0;
  int source_total_ = 0;
  std::string source_name_;
  std::string level_;  // "level 2, seed 3/17, " or empty
  const std::atomic<bool>* stop_ = nullptr;
};

// No events to pump; waits sleep, until `stop` if given; a message box that
// some layer below shows goes to the report as a plain line.
class TerminalUiPort final : public UiPort {
 public:
  explicit TerminalUiPort(TerminalReport& report, RunStop* stop = nullptr)
      : report_(report), stop_(stop) {}
  MsgBoxButton ShowMessageBox(const MsgBoxRequest& request) override;
  void ProcessPendingEvents() override {}
  void Wait(std::chrono::milliseconds duration) override;

 private:
  TerminalReport& report_;
  RunStop* stop_;
};

}  // namespace kestrilo
