// The Win32 main window under Wine: what it shows once created, and its
// 在线留言 window, one at a time and gone with the main window.

#include "win32/main_window.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include "runtime/gbk.h"
#include "runtime/windows_text.h"
#include "support/recording_ui_port.h"
#include "win32/wide_text.h"
#include "window_test.h"

namespace kestrilo {
namespace {

using win32::MainWindow;

// No addresses: nothing is handed to a browser outside the test.
class Win32MainWindowTest : public testing::Win32WindowTest {
 protected:
  void SetUp() override { RequireWindow(window.Handle()); }
  void Click(std::string_view button) {
    HWND control = window.Control(button);
    ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(control), BN_CLICKED),
                   reinterpret_cast<LPARAM>(control));
  }
  std::wstring StatusPart(int part) {
    HWND bar = window.Control("状态条1");
    std::wstring text(256, L'\0');
    const auto length = LOWORD(
        ::SendMessageW(bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data())));
    text.resize(length);
    return text;
  }

  testing::RecordingUiPort port;
  MainWindow window{{L"12345", L"", L""}};
};

TEST_F(Win32MainWindowTest, CreatedWindowShowsTheClockTheWaitAndTheNumber) {
  window.InitMainWindow();
  EXPECT_EQ(::SendMessageW(window.Control("状态条1"), SB_GETPARTS, 0, 0), 2);
  EXPECT_NE(StatusPart(0).find(L"年"), std::wstring::npos) << Utf8FromWide(StatusPart(0));
  EXPECT_EQ(StatusPart(1), L"等待操作中...");
  EXPECT_EQ(win32::WindowText(window.Control("编辑框3")), L"12345");
  EXPECT_TRUE(port.messages.empty());
}

TEST_F(Win32MainWindowTest, OneMessageWindowAtATimeClosedWithTheMainWindow) {
  Click("按钮3");
  const win32::MessageWindow* first = window.OpenMessage();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(::IsWindowVisible(first->Handle()));
  Click("按钮3");
  EXPECT_EQ(window.OpenMessage(), first);
  EXPECT_EQ(port.messages.size(), 1u) << "a second notice";

  HWND message_window = first->Handle();
  ::SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(window.OpenMessage(), nullptr);
  EXPECT_FALSE(::IsWindow(message_window));
  EXPECT_TRUE(window.IsClosing());
  // The main window asked the program's loop to end.
  MSG quit;
  EXPECT_TRUE(::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
}  // namespace kestrilo
