#pragma once

// What a mining run sees of the main window. The Qt main window implements
// it with its widgets, kestrilo-cli over the terminal, tests in memory.

#include "runtime/controls.h"

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
};

}  // namespace kestrilo
