// 在线留言 on Win32 under Wine: the browser control hosted in place, and,
// as under a Wine without its Gecko engine, the window that says it cannot
// show the page and hands it to the default browser.

#include "win32/message_window.h"

#include <gtest/gtest.h>

#include "runtime/gbk.h"
#include "support/recording_ui_port.h"
#include "runtime/windows_text.h"
#include "win32/wide_text.h"

namespace kestrilo {
namespace {

using win32::BrowserHost;
using win32::MessageWindow;

TEST(BrowserHostTest, HostsTheControlInPlaceFillingItsHolderUntilDestroyed) {
  HWND top = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr,
                               nullptr, nullptr, nullptr);
  HWND holder = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 20, 300, 200, top,
                                  nullptr, nullptr, nullptr);
  ASSERT_NE(holder, nullptr) << "no window: is there a display?";
  HWND view = nullptr;
  {
    BrowserHost host(holder);
    ASSERT_TRUE(host.IsReady()) << Utf8FromWide(host.Problem());
    view = host.View();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(::IsChild(holder, view));
    RECT inside{}, area{};
    ::GetWindowRect(view, &inside);
    ::MapWindowPoints(nullptr, holder, reinterpret_cast<POINT*>(&inside), 2);
    ::GetClientRect(holder, &area);
    EXPECT_TRUE(::EqualRect(&inside, &area));
    EXPECT_TRUE(host.Navigate(L"about:blank"));
    // A key for a window outside every page is left to the program.
    MSG key{top, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_FALSE(BrowserHost::TranslateKey(key));
  }
  EXPECT_FALSE(::IsWindow(view));
  ::DestroyWindow(top);
}

TEST(MessageWindowTest, WithoutAnHtmlEngineSaysSoAndOpensThePageInTheDefaultBrowser) {
  if (BrowserHost::HtmlEngineProblem().empty()) GTEST_SKIP() << "this system can show pages";
  testing::RecordingUiPort port;
  std::vector<std::wstring> opened;
  const std::wstring address = L"https://example.com/留言?a=1&b=2";
  MessageWindow window(address, [&](HWND, const std::wstring& page) { opened.push_back(page); });
  ASSERT_NE(window.Handle(), nullptr) << "no window: is there a display?";
  EXPECT_EQ(window.Browser(), nullptr);
  EXPECT_EQ(opened, std::vector<std::wstring>{address});
  const std::wstring said = win32::WindowText(window.Control("超文本浏览框1"));
  EXPECT_NE(said.find(address), std::wstring::npos) << Utf8FromWide(said);

  window.Open();
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text, "调用腾讯官方接口，可放心留言"_gbk);
  EXPECT_TRUE(::IsWindowVisible(window.Handle()));
  ::SendMessageW(window.Handle(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(window.IsOpen());
}

}  // namespace
}  // namespace kestrilo
