#include "mining/mining_window.h"

#include "mining/mining_run.h"
#include "runtime/conversion.h"
#include "runtime/gbk.h"
#include "runtime/ui_port.h"

namespace kestrilo {
namespace {

constexpr int kClockPart = 0;
constexpr int kClockPartWidth = 170;
constexpr int kStatusPartWidth = 250;

}  // namespace

void MiningWindow::ShowMessage(const Text& text) { MsgBox(text, kMbOk); }

void MiningWindow::SetUpStatusBar(DateTime now) {
  StatusBarAddPart(Status(), Text{}, kClockPartWidth);
  ShowTime(now);
  StatusBarAddPart(Status(), "等待操作中..."_gbk, kStatusPartWidth);
}

void MiningWindow::ShowTime(DateTime now) { StatusBarSetText(Status(), kClockPart, ToText(now)); }

void MiningWindow::FitProgress(int sources) {
  if (sources > 0) Progress().SetMaximum(MiningRun::kProgressPerSource * sources);
}

void MiningWindow::ShowRecipeFileProblem(std::string_view description) {
  ShowMessage("来源配方文件有误，本次使用内置来源：\r\n"_gbk + GbkFromUtf8(description));
}

}  // namespace kestrilo
