#pragma once

// What a mining run sees of the main window. The Qt main window implements
// it with its widgets, kestrilo-cli over the terminal, tests in memory.

#include <string_view>

#include "runtime/controls.h"
#include "runtime/types.h"

namespace kestrilo {

class MiningWindow {
 public:
  // The part of the status bar that carries the run's texts (part 0 is the
  // clock).
  static constexpr int kStatusPart = 1;

  virtual ~MiningWindow() = default;
  virtual EditBox& KeywordBox() = 0;    // 编辑框1: the seed, as typed
  virtual EditBox& ResultBox() = 0;     // 编辑框2: the keyword list
  virtual ProgressBar& Progress() = 0;  // 进度条1: 10 per source
  virtual StatusBar& Status() = 0;      // 状态条1
  virtual Button& ExportButton() = 0;   // 按钮2
  // An OK-only message box with the default title; returns when it is closed.
  virtual void ShowMessage(const Text& text);
  // True once the window is on its way out: a run under way stops at its
  // next step and leaves the window alone.
  virtual bool IsClosing() const { return false; }

  // What every main window does on its events, whatever draws it.
  // Created: the status bar gets the clock, then the run's part, waiting.
  void SetUpStatusBar(DateTime now);
  // 时钟1's tick.
  void ShowTime(DateTime now);
  // The bar is full when the last of `sources` is done.
  void FitProgress(int sources);
  // A recipe file that cannot be used costs the user's changes, not the
  // program: the run goes on with the built-ins, and the window says so
  // once it shows.
  void ShowRecipeFileProblem(std::string_view description);
};

}  // namespace kestrilo
