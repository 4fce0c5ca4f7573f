#include "mining/export_results.h"

#include "runtime/conversion.h"
#include "runtime/file_writer.h"
#include "runtime/gbk.h"
#include "runtime/ui_port.h"

namespace kestrilo {
namespace {

constexpr int kPauseAfterExportMs = 2000;

// The keyword in these texts is whatever the keyword box holds now, which
// need not be the one the list was mined for.
void SetExportStatus(MiningWindow& window, const Text& outcome) {
  StatusBarSetText(window.Status(), MiningWindow::kStatusPart,
                   "关键词： "_gbk + window.KeywordBox().Content() + outcome);
}

}  // namespace

void ExportResults(MiningWindow& window, FileDialog& dialog) {
  if (window.ResultBox().Content().empty()) {
    window.ShowMessage("数据为空"_gbk);
    return;
  }
  // A cancelled dialog writes nothing: the name it still holds from an
  // earlier export is not the user's choice this time.
  const bool chosen = FileDialogShow(dialog);
  // Read again: the box stays editable while the dialog is open.
  const Bytes content = ToBytes(window.ResultBox().Content());
  if (chosen && WriteToPath(dialog.FilePath(), std::span<const Bytes>(&content, 1))) {
    SetExportStatus(window, "导出成功！"_gbk);
    window.ShowMessage("保存成功！"_gbk);
    Delay(kPauseAfterExportMs);
    StatusBarSetText(window.Status(), MiningWindow::kStatusPart, "等待操作中..."_gbk);
    return;
  }
  SetExportStatus(window, "导出失败！"_gbk);
  window.ShowMessage("保存失败！"_gbk);
}

}  // namespace kestrilo
