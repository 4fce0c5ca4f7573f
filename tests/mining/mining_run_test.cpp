#include "mining/mining_run.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "runtime/gbk.h"

#include "support/memory_mining_window.h"
#include "support/recording_ui_port.h"

namespace kestrilo {
namespace {

using testing::CannedRequests;
using ::testing::ElementsAre;
using testing::MemoryMiningWindow;
using testing::RecordingUiPort;

// A source that appends each keyword on a line of its own, as the real
// sources do.
KeywordSource Appending(std::vector<Text> keywords) {
  return {"appending", [keywords](SourceContext& context) {
            for (const Text& keyword : keywords) context.Append(keyword + "\r\n");
          }};
}

KeywordSource Silent() {
  return {"silent", [](SourceContext&) {}};
}

std::vector<KeywordSource> SixSilentSources() { return std::vector<KeywordSource>(6, Silent()); }

class MiningRunTest : public ::testing::Test {
 protected:
  std::vector<Text> StatusTexts() const {
    std::vector<Text> texts;
    for (const auto& write : window.status.history) {
      if (write.index == MiningWindow::kStatusPart) texts.push_back(write.text);
    }
    return texts;
  }

  RecordingUiPort port;
  MemoryMiningWindow window;
  CannedRequests requests;
};

TEST_F(MiningRunTest, EmptySeedOnlyAsksForAKeyword) {
  window.results.SetContent("old");
  window.progress.SetPosition(30);
  window.progress.history.clear();
  int steps_taken = 0;
  std::vector<KeywordSource> sources(6, {"counting", [&](SourceContext&) { ++steps_taken; }});
  MiningRun run(window, requests, sources);

  run.Run();

  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text, "请输入想要挖掘的关键词"_gbk);
  EXPECT_EQ(steps_taken, 0);
  EXPECT_EQ(window.results.Content(), "old");
  EXPECT_EQ(window.progress.Position(), 30);
  EXPECT_TRUE(window.progress.history.empty());
  EXPECT_TRUE(window.status.history.empty());
  EXPECT_TRUE(window.export_button.IsEnabled());
}

TEST_F(MiningRunTest, FullRunAppendsInSourceOrderThenRemovesDuplicates) {
  window.keyword.SetContent("seo");
  bool export_disabled_during_run = true;
  std::vector<KeywordSource> sources = {
      Appending({"seo tools", "seo"}),
      Appending({"seo", "seo tips"}),
      Appending({"关键词"_gbk}),
      {"checks",
       [&](SourceContext& context) {
         export_disabled_during_run = !context.Window().ExportButton().IsEnabled();
       }},
      Appending({"seo tools", ""}),
      Appending({"Seo"}),
  };
  MiningRun run(window, requests, sources);

  run.Run();

  EXPECT_EQ(window.results.Content(),
            "seo tools\r\nseo\r\nseo tips\r\n"_gbk + "关键词"_gbk + "\r\n\r\nSeo");
  EXPECT_TRUE(export_disabled_during_run);
  EXPECT_THAT(window.progress.history, ElementsAre(0, 10, 20, 30, 40, 50, 60));
  EXPECT_THAT(StatusTexts(), ElementsAre("正在挖掘关键词：seo"_gbk, "正在去除重复内容"_gbk,
                                         "关键词： seo 挖掘已完成！"_gbk));
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text, "查询已完成！"_gbk);
  // The completion message comes before the export button is given back.
  EXPECT_EQ(window.messages[0].status, "关键词： seo 挖掘已完成！"_gbk);
  EXPECT_FALSE(window.messages[0].export_enabled);
  EXPECT_EQ(window.messages[0].progress, 60);
  EXPECT_TRUE(window.export_button.IsEnabled());
  EXPECT_EQ(window.export_button.Caption(), "导出"_gbk);
  EXPECT_FALSE(run.IsRunning());
}

TEST_F(MiningRunTest, SeedOfBlanksIsMinedAsTyped) {
  window.keyword.SetContent("  ");
  MiningRun run(window, requests, SixSilentSources());

  run.Run();

  EXPECT_THAT(StatusTexts(), ElementsAre("正在挖掘关键词：  "_gbk, "正在去除重复内容"_gbk,
                                         "关键词：    挖掘已完成！"_gbk));
  EXPECT_EQ(window.messages.at(0).text, "查询已完成！"_gbk);
}

TEST_F(MiningRunTest, AllSourcesFailingStillCompletesAndDeduplicatesWhatWasThere) {
  window.keyword.SetContent("k");
  window.results.SetContent("a\r\nb\r\na");
  window.export_button.SetCaption("x");
  std::vector<KeywordSource> sources = {
      {"empty reply",
       [](SourceContext& c) { c.Append(c.Requests().WebRequest("http://x/" + c.Seed())); }},
      {"throws", [](SourceContext&) { throw std::runtime_error("broken source"); }},
      Silent(),
      Silent(),
      Silent(),
      Silent(),
  };
  MiningRun run(window, requests, sources);

  run.Run();

  EXPECT_EQ(window.results.Content(), "a\r\nb");
  EXPECT_EQ(window.progress.Position(), 60);
  EXPECT_EQ(window.StatusText(), "关键词： k 挖掘已完成！"_gbk);
  EXPECT_EQ(window.messages.at(0).text, "查询已完成！"_gbk);
  EXPECT_EQ(window.export_button.Caption(), "导出"_gbk);
  ASSERT_EQ(requests.calls.size(), 1u);
  EXPECT_EQ(requests.calls[0].address, "http://x/k");
}

// Asks as a recipe does: one request to http://NAME/, the reply kept, every
// "[" in it a keyword taken.
KeywordSource Asking(const std::string& name, std::string title = {}) {
  return {name,
          [address = "http://" + name + "/"](SourceContext& c) {
            SourceState& state = c.Current();
            ++state.requests;
            state.reply = c.Requests().WebRequest(address);
            state.keywords = static_cast<int>(std::ranges::count(state.reply, '['));
          },
          std::move(title)};
}

struct CompletionCase {
  const char* name;
  std::map<Text, Text> replies;  // by address; any other address fails
  std::string title_of_b;
  Text named;  // the source lines the message adds after its heading
  friend void PrintTo(const CompletionCase& row, std::ostream* out) { *out << row.name; }
};

class CompletionMessageTest : public MiningRunTest,
                              public ::testing::WithParamInterface<CompletionCase> {};

// The silent source in between asks nothing and is never named; it also
// shifts every later source's place in the run.
TEST_P(CompletionMessageTest, NamesEachSourceThatGaveNothingWithWhy) {
  const CompletionCase& row = GetParam();
  window.keyword.SetContent("k");
  requests.replies = row.replies;
  MiningRun run(window, requests,
                {Asking("a"), Silent(), Asking("b", row.title_of_b), Asking("c")});

  run.Run();

  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text,
            row.named.empty()
                ? "查询已完成！"_gbk
                : "查询已完成！\r\n以下来源没有给出关键词：\r\n"_gbk + row.named +
                      "\r\n可用 kestrilo-cli --check 检查来源，或在 sources.toml 中用 "
                      "use = [\"current\", \"extra\"] 换用新的来源配方。"_gbk);
}

const std::map<Text, Text> kAllAnswer = {
    {"http://a/", "[a1"}, {"http://b/", "[b1[b2"}, {"http://c/", "[c1"}};

std::map<Text, Text> AllAnswerBut(const Text& address, const Text& reply) {
  std::map<Text, Text> replies = kAllAnswer;
  replies[address] = reply;
  return replies;
}

INSTANTIATE_TEST_SUITE_P(
    Sources, CompletionMessageTest,
    ::testing::Values(
        CompletionCase{"EverySourceGaveKeywords", kAllAnswer, "", ""},
        CompletionCase{"EmptyReply", AllAnswerBut("http://b/", ""), "", "b：无回应"_gbk},
        CompletionCase{"ReplyWithoutKeywords", AllAnswerBut("http://b/", "<html>维护中</html>"_gbk),
                       "", "b：有回应，但没有取到关键词"_gbk},
        CompletionCase{"TitleRatherThanName", AllAnswerBut("http://b/", ""), "百度联想",
                       "百度联想：无回应"_gbk},
        CompletionCase{"SeveralInRunOrder",
                       {{"http://b/", "[b1"}, {"http://c/", "no list"}},
                       "",
                       "a：无回应\r\nc：有回应，但没有取到关键词"_gbk}),
    [](const auto& row) { return std::string(row.param.name); });

// The list a run leaves has no line end after its last keyword; the next
// run's first keyword must not be glued onto it.
struct LineBoundaryCase {
  const char* name;
  Text before;
  Text after;
  friend void PrintTo(const LineBoundaryCase& row, std::ostream* out) { *out << row.name; }
};

class LineBoundaryTest : public MiningRunTest,
                         public ::testing::WithParamInterface<LineBoundaryCase> {};

TEST_P(LineBoundaryTest, FirstKeywordOfARunStartsItsOwnLine) {
  window.keyword.SetContent("k");
  window.results.SetContent(GetParam().before);
  MiningRun run(window, requests,
                {Appending({"new", "b"}), Silent(), Silent(), Silent(), Silent(), Silent()});

  run.Run();

  EXPECT_EQ(window.results.Content(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, LineBoundaryTest,
    ::testing::Values(LineBoundaryCase{"EmptyBox", "", "new\r\nb"},
                      LineBoundaryCase{"ListWithoutFinalLineEnd", "a\r\nb", "a\r\nb\r\nnew"},
                      LineBoundaryCase{"ListWithFinalLineEnd", "a\r\n", "a\r\nnew\r\nb"},
                      LineBoundaryCase{"TypedTextEndingInCarriageReturn", "a\r",
                                       "a\r\r\nnew\r\nb"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(MiningRunTest, SecondRunWithTheSameSeedMergesIntoOneList) {
  window.keyword.SetContent("k");
  std::vector<KeywordSource> sources = {
      Appending({"k1", "k2"}), Appending({"k3"}), Silent(), Silent(), Silent(), Silent()};
  MiningRun run(window, requests, sources);

  run.Run();
  window.export_button.SetEnabled(true);
  run.Run();

  EXPECT_EQ(window.results.Content(), "k1\r\nk2\r\nk3");
  EXPECT_EQ(window.messages.size(), 2u);
  EXPECT_THAT(window.progress.history,
              ElementsAre(0, 10, 20, 30, 40, 50, 60, 0, 10, 20, 30, 40, 50, 60));
}

TEST_F(MiningRunTest, ClickDuringARunIsIgnored) {
  window.keyword.SetContent("k");
  int steps_taken = 0;
  MiningRun* running = nullptr;
  KeywordSource clicking{"clicks", [&](SourceContext& context) {
                           ++steps_taken;
                           context.Append("x\r\n");
                           running->Run();  // the query button, clicked while events are handled
                         }};
  MiningRun run(window, requests, std::vector<KeywordSource>(6, clicking));
  running = &run;

  run.Run();

  EXPECT_EQ(steps_taken, 6);
  EXPECT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.results.Content(), "x");
  EXPECT_FALSE(run.IsRunning());
}

TEST_F(MiningRunTest, SeedIsReadAfreshAtEveryUse) {
  window.keyword.SetContent("old");
  KeywordSource fetching{
      "fetch", [](SourceContext& c) { c.Requests().InetRequestText("http://s/?q=" + c.Seed()); }};
  KeywordSource editing{"user edits",
                        [](SourceContext& c) { c.Window().KeywordBox().SetContent("new"); }};
  MiningRun run(window, requests, {fetching, editing, fetching, Silent(), Silent(), Silent()});

  run.Run();

  ASSERT_EQ(requests.calls.size(), 2u);
  EXPECT_EQ(requests.calls[0].address, "http://s/?q=old");
  EXPECT_EQ(requests.calls[1].address, "http://s/?q=new");
  EXPECT_EQ(StatusTexts().front(), "正在挖掘关键词：old"_gbk);
  EXPECT_EQ(StatusTexts().back(), "关键词： new 挖掘已完成！"_gbk);
}

TEST_F(MiningRunTest, ClosingTheWindowEndsTheRunAtTheNextStep) {
  window.keyword.SetContent("k");
  int later_steps = 0;
  MiningRun run(window, requests,
                {Appending({"a"}),
                 {"close", [&](SourceContext&) { window.closing = true; }},
                 {"later", [&](SourceContext&) { ++later_steps; }},
                 Silent(),
                 Silent(),
                 Silent()});

  run.Run();

  EXPECT_EQ(later_steps, 0);
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(window.results.Content(), "a\r\n");
  EXPECT_FALSE(run.IsRunning());
}

TEST_F(MiningRunTest, PauseWaitsThroughTheUiPort) {
  window.keyword.SetContent("k");
  MiningRun run(window, requests,
                {{"pacing",
                  [](SourceContext& c) {
                    c.Pause(50);
                    c.Pause(0);
                  }},
                 Silent(),
                 Silent(),
                 Silent(),
                 Silent(),
                 Silent()});

  run.Run();

  EXPECT_THAT(port.waits, ElementsAre(std::chrono::milliseconds(50)));
}

}  // namespace
}  // namespace kestrilo
