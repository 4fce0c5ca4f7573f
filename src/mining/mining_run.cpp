#include "mining/mining_run.h"

#include <exception>

#include "runtime/gbk.h"
#include "text/remove_duplicates.h"

namespace kestrilo {
namespace {

class RunningFlag {
 public:
  explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~RunningFlag() { flag_ = false; }
  RunningFlag(const RunningFlag&) = delete;
  RunningFlag& operator=(const RunningFlag&) = delete;

 private:
  bool& flag_;
};

}  // namespace

MiningRun::MiningRun(MiningWindow& window, RequestRoutines& requests,
                     std::vector<KeywordSource> sources)
    : window_(window), requests_(requests), sources_(std::move(sources)) {}

void MiningRun::SetStatus(const Text& text) {
  StatusBarSetText(window_.Status(), MiningWindow::kStatusPart, text);
}

// The designed message read the same whether every source answered or none
// did: the sources that gave nothing are named, with where to look.
Text MiningRun::CompletionMessage() const {
  Text named;
  // The run keeps one state per source, in source order.
  for (std::size_t i = 0; i < state_.sources.size() && i < sources_.size(); ++i) {
    const SourceState& state = state_.sources[i];
    // A source that asked nothing has no reply to judge.
    if (state.requests == 0 || state.keywords > 0) continue;
    named += "\r\n" + GbkFromUtf8(sources_[i].ShownTitle()) +
             (state.reply.empty() ? "：无回应"_gbk : "：有回应，但没有取到关键词"_gbk);
  }
  Text message = "查询已完成！"_gbk;
  if (named.empty()) return message;
  return message + "\r\n" + "以下来源没有给出关键词："_gbk + named + "\r\n" +
         "可用 kestrilo-cli --check 检查来源，"
         "或在 sources.toml 中用 use = [\"current\", \"extra\"] 换用新的来源配方。"_gbk;
}

// The bar's position goes through a floating-point sum cut toward zero, as
// the progress arithmetic always has.
void MiningRun::StepProgress() {
  const double next = static_cast<double>(window_.Progress().Position()) + kProgressPerSource;
  window_.Progress().SetPosition(static_cast<int>(next));
}

void MiningRun::Run() {
  if (running_) return;
  if (window_.KeywordBox().Content().empty()) {
    window_.ShowMessage("请输入想要挖掘的关键词"_gbk);
    return;
  }
  RunningFlag running(running_);

  // Each source moves the bar by 10, so the last one fills it.
  if (!sources_.empty()) window_.Progress().SetMaximum(kProgressPerSource * SourceCount());
  window_.Progress().SetPosition(0);
  window_.ExportButton().SetEnabled(false);
  SetStatus("正在挖掘关键词："_gbk + window_.KeywordBox().Content());

  state_.sources.clear();
  SourceContext context(window_, requests_);
  for (const KeywordSource& source : sources_) {
    if (window_.IsClosing()) return;
    context.Current() = NewSourceState(source.name);
    // A source that fails in any way contributes nothing; the run goes on.
    try {
      if (source.step) source.step(context);
    } catch (const std::exception&) {
    }
    state_.sources.push_back(std::move(context.Current()));
    if (window_.IsClosing()) return;
    StepProgress();
  }

  SetStatus("正在去除重复内容"_gbk);
  EditBox& results = window_.ResultBox();
  results.SetContent(RemoveDuplicates(results.Content(), "\r\n", SplitMode::kSeparator));
  SetStatus("关键词： "_gbk + window_.KeywordBox().Content() + " 挖掘已完成！"_gbk);
  window_.ShowMessage(CompletionMessage());
  if (window_.IsClosing()) return;
  window_.ExportButton().SetCaption("导出"_gbk);
  window_.ExportButton().SetEnabled(true);
}

}  // namespace kestrilo
