#include "runtime/ui_port.h"

#include <chrono>

#include <gtest/gtest.h>

#include "runtime/gbk.h"
#include "support/child_process.h"

#include "support/recording_ui_port.h"

namespace kestrilo {
namespace {

using testing::RecordingUiPort;
using namespace std::chrono_literals;

TEST(MsgBoxTest, PassesTextTitleAndOwner) {
  RecordingUiPort port;
  MsgBox("查询已完成！"_gbk);
  MsgBox("x", kMbOk, "标题"_gbk, 77);
  ASSERT_EQ(port.messages.size(), 2u);
  EXPECT_EQ(port.messages[0].text, "查询已完成！"_gbk);
  EXPECT_EQ(port.messages[0].title, "\xD0\xC5\xCF\xA2\xA3\xBA");  // 信息：
  EXPECT_EQ(port.messages[0].owner, 0u);
  EXPECT_EQ(port.messages[1].title, "标题"_gbk);
  EXPECT_EQ(port.messages[1].owner, 77u);
}

TEST(MsgBoxTest, IsTaskModalUnlessSystemModal) {
  const struct {
    unsigned given, shown;
  } rows[] = {
      {0x0000, 0x2000}, {0x0024, 0x2024}, {0x1000, 0x1000}, {0x1030, 0x1030}, {0x2000, 0x2000}};
  for (const auto& row : rows) {
    RecordingUiPort port;
    MsgBox("x", row.given);
    ASSERT_EQ(port.messages.size(), 1u);
    EXPECT_EQ(port.messages[0].style, row.shown) << std::hex << row.given;
  }
}

TEST(MsgBoxTest, NumbersTheButtonThatClosedIt) {
  RecordingUiPort port;
  for (const auto button :
       {MsgBoxButton::kOk, MsgBoxButton::kCancel, MsgBoxButton::kAbort, MsgBoxButton::kRetry,
        MsgBoxButton::kIgnore, MsgBoxButton::kYes, MsgBoxButton::kNo}) {
    port.QueueAnswer(button);
  }
  for (int expected = 0; expected <= 6; ++expected) EXPECT_EQ(MsgBox("?"), expected);
}

TEST(PumpingTest, DoEventsAndDelayReachThePort) {
  RecordingUiPort port;
  DoEvents();
  EXPECT_EQ(port.event_passes, 1);
  Delay(0);
  Delay(-5);
  EXPECT_TRUE(port.waits.empty());
  Delay(30);
  EXPECT_EQ(port.waits, std::vector<std::chrono::milliseconds>{30ms});
}

TEST(HeadlessUiPortTest, WaitSleepsInsteadOfSpinning) {
  HeadlessUiPort port;
  const auto wall_start = std::chrono::steady_clock::now();
  const double cpu_start = testing::ProcessCpuSeconds();
  port.Wait(200ms);
  const double cpu = testing::ProcessCpuSeconds() - cpu_start;
  const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wall_start;
  EXPECT_GE(wall.count(), 0.19);
  EXPECT_LT(cpu, 0.5 * wall.count());
}

TEST(HeadlessUiPortTest, MessageBoxPrintsUtf8AndAnswersOk) {
  HeadlessUiPort port;
  ::testing::internal::CaptureStderr();
  const MsgBoxButton answer = port.ShowMessageBox({"完成"_gbk, "信息："_gbk, kMbTaskModal, 0});
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "完成\n");
  EXPECT_EQ(answer, MsgBoxButton::kOk);
}

}  // namespace
}  // namespace kestrilo
