// The Win32 window runtime under Wine: the declared controls where the
// declaration puts them, the events each kind has, the keys of a dialog,
// and the UI port's waits.

#include "win32/form_window.h"

#include <commctrl.h>

#include <chrono>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "runtime/windows_text.h"
#include "support/named_rows.h"
#include "win32/controls.h"
#include "win32/wide_text.h"
#include "win32/win32_ui_port.h"
#include "window_test.h"

namespace kestrilo {
namespace {

using win32::Event;
using win32::FormWindow;
using win32::WindowText;
using win32::Win32UiPort;

class FormWindowTest : public testing::Win32WindowTest {
 protected:
  void SetUp() override { RequireWindow(window.Handle()); }
  // Where a control stands in the window's client area.
  RECT PlaceOf(HWND control) const {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, window.Handle(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  // As the user types at the end: the edit box tells its window at once.
  static void Type(HWND edit, const std::wstring& text) {
    const auto end = static_cast<WPARAM>(::GetWindowTextLengthW(edit));
    ::SendMessageW(edit, EM_SETSEL, end, static_cast<LPARAM>(end));
    ::SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
  }

  FormWindow window{forms::MainWindowForm()};
};

TEST_F(FormWindowTest, DeclaredControlsStandWhereTheDeclarationPutsThem) {
  for (const forms::ControlForm& control : forms::MainWindowForm().controls) {
    SCOPED_TRACE(std::string(control.name));
    HWND handle = window.Control(control.name);
    const bool faceless =
        control.kind == forms::ControlKind::kTimer || control.kind == forms::ControlKind::kFileDialog;
    ASSERT_EQ(handle == nullptr, faceless);
    if (faceless) continue;
    const RECT place = PlaceOf(handle);
    if (control.kind == forms::ControlKind::kStatusBar) {
      // The bar keeps to the bottom edge, whatever height its font gives it.
      EXPECT_EQ(place.bottom, forms::MainWindowForm().client_height);
      continue;
    }
    int x = control.geometry.x, y = control.geometry.y;
    if (const forms::ControlForm* box = forms::MainWindowForm().Find(control.parent)) {
      x += box->geometry.x;
      y += box->geometry.y;
    }
    EXPECT_EQ(place.left, x);
    EXPECT_EQ(place.top, y);
    EXPECT_EQ(place.right - place.left, control.geometry.width);
    EXPECT_EQ(place.bottom - place.top, control.geometry.height);
    if (control.kind != forms::ControlKind::kProgressBar) {
      EXPECT_EQ(WindowText(handle), WideFromUtf8(control.caption));
    }
  }
  RECT client{};
  ::GetClientRect(window.Handle(), &client);
  EXPECT_EQ(client.right, 375);
  EXPECT_EQ(client.bottom, 572);
  EXPECT_EQ(WindowText(window.Handle()), L"Kestrilo");
}

struct BindRow {
  const char* name;
  const char* control;
  Event event;
  bool bound;
};

class BindTest : public FormWindowTest, public ::testing::WithParamInterface<BindRow> {};

TEST_P(BindTest, TakesOnlyTheEventsOfTheControlsKind) {
  EXPECT_EQ(window.Bind(GetParam().control, GetParam().event, [] {}), GetParam().bound);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BindTest,
    ::testing::Values(BindRow{"ButtonClicked", "按钮1", Event::kClicked, true},
                      BindRow{"ButtonChanged", "按钮1", Event::kContentChanged, false},
                      BindRow{"EditChanged", "编辑框1", Event::kContentChanged, true},
                      BindRow{"ListChanged", "编辑框2", Event::kContentChanged, true},
                      BindRow{"LinkClicked", "超级链接框1", Event::kClicked, true},
                      BindRow{"TimerElapsed", "时钟1", Event::kElapsed, true},
                      BindRow{"TimerClicked", "时钟1", Event::kClicked, false},
                      BindRow{"NoSuchControl", "按钮9", Event::kClicked, false}),
    RowName());

TEST_F(FormWindowTest, OnlyTheUsersEditsCountAsChanges) {
  int changes = 0;
  ASSERT_TRUE(window.Bind("编辑框1", Event::kContentChanged, [&] { ++changes; }));
  HWND seed = window.Control("编辑框1");
  window.SetControlText(seed, L"手机");
  EXPECT_EQ(changes, 0);
  Type(seed, L"壳");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(WindowText(seed), L"手机壳");
}

struct SeedRow {
  const char* name;
  std::wstring typed;
  std::wstring shown;
};

class SeedBoxTest : public FormWindowTest, public ::testing::WithParamInterface<SeedRow> {};

TEST_P(SeedBoxTest, ShowsWhatGbkLacksAsQuestionMarks) {
  HWND seed = window.Control("编辑框1");
  Type(seed, GetParam().typed);
  EXPECT_EQ(WindowText(seed), GetParam().shown);
  DWORD start = 0, end = 0;
  ::SendMessageW(seed, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(end, GetParam().shown.size());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SeedBoxTest,
    ::testing::Values(SeedRow{"Chinese", L"手机", L"手机"},
                      SeedRow{"Hangul", L"a가b", L"a?b"},
                      // One "?" for the two UTF-16 units of a character past U+FFFF.
                      SeedRow{"OutsideThePlane", L"x\U0001F600y", L"x?y"}),
    RowName());

// A keyword may hold a lone line feed or carriage return; the list keeps
// them as they came, apart from the "\r\n" between keywords.
TEST_F(FormWindowTest, ResultListKeepsLoneLineFeedsAndCarriageReturns) {
  win32::EditControl list(window, window.Control("编辑框2"));
  const Text first("a\nb\r\n"), second("c\rd\r\n\r\n"), third("e\n\rf");
  list.SetContent(first);
  EXPECT_EQ(list.Content(), first);
  list.InsertAtEnd(second);
  list.InsertAtEnd(third);
  EXPECT_EQ(list.Content(), first + second + third);
}

TEST_F(FormWindowTest, TabLeavesTheResultListAndEnterStaysInIt) {
  HWND list = window.Control("编辑框2");
  MSG tab{list, WM_KEYDOWN, VK_TAB, 0, 0, {}};
  MSG enter{list, WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  const auto code = [&](MSG& key) {
    return ::SendMessageW(list, WM_GETDLGCODE, key.wParam, reinterpret_cast<LPARAM>(&key));
  };
  EXPECT_EQ(code(tab) & (DLGC_WANTTAB | DLGC_WANTALLKEYS), 0);
  EXPECT_NE(code(enter) & (DLGC_WANTMESSAGE | DLGC_WANTALLKEYS), 0);
}

TEST_F(FormWindowTest, EnterWithNoButtonFocusedPressesTheDefaultButton) {
  int queries = 0;
  ASSERT_TRUE(window.Bind("按钮1", Event::kClicked, [&] { ++queries; }));
  const LRESULT default_id = ::SendMessageW(window.Handle(), DM_GETDEFID, 0, 0);
  EXPECT_EQ(HIWORD(default_id), DC_HASDEFID);
  EXPECT_EQ(::GetDlgCtrlID(window.Control("按钮1")), LOWORD(default_id));
  ::SendMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_EQ(queries, 1);
}

TEST(Win32UiPortTest, WaitHandlesMessagesAndSleepsInBetween) {
  Win32UiPort port;
  int ticks = 0;
  FormWindow window{forms::MainWindowForm()};
  ASSERT_TRUE(window.Bind("按钮3", Event::kClicked, [&] { ++ticks; }));
  ::PostMessageW(window.Handle(), WM_COMMAND,
                 MAKEWPARAM(::GetDlgCtrlID(window.Control("按钮3")), BN_CLICKED), 0);
  const double cpu_before = testing::ProcessCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  port.Wait(std::chrono::milliseconds(300));
  const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(ticks, 1);
  EXPECT_GE(waited.count(), 0.29);
  EXPECT_LT(testing::ProcessCpuSeconds() - cpu_before, 0.15);
}

TEST(Win32UiPortTest, WaitEndsAtTheQuitMessageAndLeavesItForTheProgramsLoop) {
  Win32UiPort port;
  ::PostQuitMessage(7);
  const auto start = std::chrono::steady_clock::now();
  port.Wait(std::chrono::seconds(10));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  MSG message;
  ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

}  // namespace
}  // namespace kestrilo
