#include "app/program_start.h"

#include <QApplication>
#include <QDir>
#include <algorithm>
#include <utility>
#include <vector>

#include "app/qt_text.h"
#include "app/skin_library.h"
#include "runtime/file_writer.h"
#include "runtime/gbk.h"
#include "runtime/ui_port.h"

namespace kestrilo {
namespace {

std::vector<void (*)()>& ExitRoutines() {
  static std::vector<void (*)()> routines;
  return routines;
}

// The routines run once: the list is emptied as they are called.
void RunExitRoutines() {
  const std::vector<void (*)()> routines = std::exchange(ExitRoutines(), {});
  for (void (*routine)() : routines) routine();
}

// The program's folder is also its current directory, wherever it was
// started from, so relative names resolve beside the program.
void InitializeRuntime() { QDir::setCurrent(QStringFromGbk(RunDirectory())); }

// Runs the message loop for as long as a window of the program is open; Qt
// ends it when the last one closes.
void EndProgram() {
  const QWidgetList windows = QApplication::topLevelWidgets();
  if (std::none_of(windows.begin(), windows.end(), [](QWidget* w) { return w->isVisible(); })) {
    return;
  }
  QApplication::exec();
}

}  // namespace

void RegisterExitRoutine(void (*routine)()) {
  std::vector<void (*)()>& routines = ExitRoutines();
  if (std::find(routines.begin(), routines.end(), routine) == routines.end()) {
    routines.push_back(routine);
  }
}

void ReleaseGlobals() { ReleaseSkinLibraryHolder(); }

int ProgramStart(const StartWindowLoader& load_start_window) {
  InitializeRuntime();
  CreateSkinLibraryHolder();
  RegisterExitRoutine(ReleaseGlobals);
  // A library that cannot be mapped is not reported: the program then runs
  // with the system look.
  LoadSkinLibrary();

  std::unique_ptr<QWidget> start_window = load_start_window ? load_start_window() : nullptr;
  if (!start_window) {
    MsgBox("载入启动窗口失败"_gbk);
    RunExitRoutines();
    return 1;
  }
  EndProgram();
  start_window.reset();
  RunExitRoutines();
  return 0;
}

}  // namespace kestrilo
