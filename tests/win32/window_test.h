#pragma once

// The base of the Win32 window tests under Wine: the common controls (the
// progress bar, the status bar) are registered before the test's windows
// are made, and a test stops at once where Wine has no display to make
// them on.

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

namespace kestrilo::testing {

class Win32WindowTest : public ::testing::Test {
 protected:
  Win32WindowTest() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
  }
  static void RequireWindow(HWND window) {
    ASSERT_NE(window, nullptr) << "no window: is there a display?";
  }
};

}  // namespace kestrilo::testing
