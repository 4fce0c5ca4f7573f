#pragma once

// The program's start and end: globals, the skin library, the start
// window, the message loop until the last window closes, exit routines.

#include <QWidget>
#include <functional>
#include <memory>

namespace kestrilo {

// Creates and shows the start window; null when it cannot be created.
using StartWindowLoader = std::function<std::unique_ptr<QWidget>()>;

// Adds a routine to run when the program ends, after its windows are gone;
// routines run in registration order, each once.
void RegisterExitRoutine(void (*routine)());

// Releases the program's globals: the skin library's holder object (the
// image itself stays mapped).
void ReleaseGlobals();

// Runs the program with a QApplication in place: 0 once its last window
// has closed; 1 when the start window could not be created, which is
// reported in a message box.
int ProgramStart(const StartWindowLoader& load_start_window);

}  // namespace kestrilo
