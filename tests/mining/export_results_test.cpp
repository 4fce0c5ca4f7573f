#include "mining/export_results.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "runtime/file_path.h"
#include "runtime/gbk.h"

#include "support/memory_mining_window.h"
#include "support/recording_ui_port.h"

namespace kestrilo {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testing::MemoryMiningWindow;
using testing::RecordingUiPort;

// The dialog as the user answers it; it counts how often it was shown.
class ScriptedDialog : public FileDialog {
 public:
  bool Show() override {
    ++shown;
    if (answer) name = *answer;
    return answer.has_value();
  }
  Text FileName() const override { return name; }
  std::string FilePath() const override { return path.empty() ? FileDialog::FilePath() : path; }

  std::optional<Text> answer;  // absent: the user cancels
  Text name;
  std::string path;  // the name as the file system spells it, when GBK lacks some of it
  int shown = 0;
};

std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class ExportResultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("kestrilo-export-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    window.keyword.SetContent("鲜花"_gbk);
  }
  void TearDown() override { fs::remove_all(folder); }

  std::vector<Text> StatusTexts() const {
    std::vector<Text> texts;
    for (const auto& write : window.status.history) texts.push_back(write.text);
    return texts;
  }
  std::vector<Text> Messages() const {
    std::vector<Text> texts;
    for (const auto& message : window.messages) texts.push_back(message.text);
    return texts;
  }

  fs::path folder;
  RecordingUiPort port;
  MemoryMiningWindow window;
  ScriptedDialog dialog;
};

TEST_F(ExportResultsTest, EmptyListSaysSoWithoutADialog) {
  ExportResults(window, dialog);
  EXPECT_EQ(dialog.shown, 0);
  EXPECT_THAT(Messages(), ElementsAre("数据为空"_gbk));
  EXPECT_TRUE(window.status.history.empty());
}

TEST_F(ExportResultsTest, WritesTheBoxBytesAndReportsThenWaitsAndResetsTheStatus) {
  const Text list = "鲜花快递\r\n鲜花图片\r\n鲜花店"_gbk;
  window.results.SetContent(list);
  const fs::path file = folder / "list.txt";
  std::ofstream(file) << "an older and much longer content that must go entirely";
  dialog.answer = file.string();

  ExportResults(window, dialog);

  EXPECT_EQ(FileBytes(file), list);  // GBK, no line end added
  EXPECT_THAT(Messages(), ElementsAre("保存成功！"_gbk));
  EXPECT_EQ(window.messages[0].status, "关键词： 鲜花导出成功！"_gbk);
  EXPECT_THAT(port.waits, ElementsAre(std::chrono::milliseconds(2000)));
  EXPECT_THAT(StatusTexts(), ElementsAre("关键词： 鲜花导出成功！"_gbk, "等待操作中..."_gbk));
}

// 목록 has no GBK form: its name reads "??" in the program's texts, and a
// file really named so must not be the one replaced.
TEST_F(ExportResultsTest, ANameGbkCannotHoldIsWrittenAsChosen) {
  window.results.SetContent("甲\r\n乙"_gbk);
  // Windows takes no "?" in a name, so there nothing can be mistaken for it.
  const bool question_marks_allowed =
      static_cast<bool>(std::ofstream(folder / "??.txt") << "someone else's");
  const std::u8string path = (folder / PathFromUtf8("목록.txt")).u8string();
  dialog.path.assign(path.begin(), path.end());
  dialog.answer = GbkFromUtf8(dialog.path);

  ExportResults(window, dialog);

  EXPECT_EQ(FileBytes(folder / PathFromUtf8("목록.txt")), "甲\r\n乙"_gbk);
  if (question_marks_allowed) {
    EXPECT_EQ(FileBytes(folder / "??.txt"), "someone else's");
  }
  EXPECT_THAT(Messages(), ElementsAre("保存成功！"_gbk));
}

struct FailureRow {
  const char* name;
  bool cancel;
  const char* file;  // inside the test folder
};

class ExportFailureTest : public ExportResultsTest,
                          public ::testing::WithParamInterface<FailureRow> {};

TEST_P(ExportFailureTest, ShowsTheFailureTextsAndWritesNothing) {
  window.results.SetContent("甲\r\n乙"_gbk);
  // The keyword box may have changed since the run: its text now is used.
  window.keyword.SetContent("新词"_gbk);
  const fs::path earlier = folder / "earlier.txt";
  dialog.name = earlier.string();
  if (!GetParam().cancel) dialog.answer = (folder / GetParam().file).string();

  ExportResults(window, dialog);

  EXPECT_FALSE(fs::exists(earlier));
  EXPECT_THAT(Messages(), ElementsAre("保存失败！"_gbk));
  EXPECT_THAT(StatusTexts(), ElementsAre("关键词： 新词导出失败！"_gbk));
  EXPECT_TRUE(port.waits.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, ExportFailureTest,
                         ::testing::Values(FailureRow{"CancelledDialog", true, ""},
                                           FailureRow{"FolderGone", false, "gone/list.txt"},
                                           FailureRow{"NameIsAFolder", false, ""}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace kestrilo
