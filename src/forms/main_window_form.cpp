#include "forms/window_form.h"

namespace kestrilo::forms {
namespace {

using K = ControlKind;

constexpr ControlForm kControls[] = {
    {K::kGroupBox, "分组框1", "", {8, 8, 360, 64}, "欲挖掘的关键词："},
    // The seed in a larger face than the rest.
    {.kind = K::kLineEdit,
     .name = "编辑框1",
     .parent = "分组框1",
     .geometry = {8, 17, 168, 32},
     .font_pixels = 16,
     .gbk_only = true},
    {K::kButton, "按钮1", "分组框1", {184, 16, 80, 32}, "查询", 0, true},
    {K::kButton, "按钮2", "分组框1", {272, 16, 80, 32}, "导出"},
    {.kind = K::kFileDialog,
     .name = "通用对话框1",
     .parent = "分组框1",
     .geometry = {136, 0, 26, 26},
     .filter = "文本文档(*.txt)|*.txt|",
     .default_extension = "txt"},
    {K::kGroupBox, "分组框2", "", {8, 80, 360, 336}, "挖出的关键词："},
    {K::kMultiLineEdit, "编辑框2", "分组框2", {8, 16, 344, 312}},
    {K::kGroupBox, "分组框3", "", {8, 424, 360, 48}, "进度："},
    {.kind = K::kProgressBar,
     .name = "进度条1",
     .parent = "分组框3",
     .geometry = {8, 16, 344, 24},
     .maximum = 60},
    {K::kGroupBox, "分组框4", "", {8, 480, 360, 72}, "说明："},
    {K::kLabel, "透明标签1", "分组框4", {8, 16, 72, 24}, "软件作者QQ："},
    {K::kLineEdit, "编辑框3", "分组框4", {80, 16, 72, 24}},
    {K::kHyperlink, "超级链接框1", "分组框4", {160, 16, 64, 24}, "联系我们"},
    {K::kButton, "按钮3", "分组框4", {232, 16, 120, 24}, "问题反馈/商务合作"},
    {K::kLabel, "透明标签2", "分组框4", {8, 40, 344, 24},
     "因受到网络波动、延迟等影响，关键词挖掘进度请根据状态判断"},
    {K::kStatusBar, "状态条1", "", {0, 552, 375, 20}},
    {.kind = K::kTimer,
     .name = "时钟1",
     .parent = "",
     .geometry = {320, 552, 26, 26},
     .interval_ms = 1000},
};

}  // namespace

const WindowForm& MainWindowForm() {
  static const WindowForm form{"MainWindow", "Kestrilo", 375, 572, kControls};
  return form;
}

}  // namespace kestrilo::forms
