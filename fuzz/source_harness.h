#pragma once

// Runs keyword sources over replies taken from a fuzzer input: every request
// is answered with the next text of the input, and with the empty text once
// they run out, so a page count near the cap costs only empty pages.

#include <string_view>
#include <vector>

#include "mining/keyword_source.h"
#include "mining/mining_window.h"
#include "mining/request_routines.h"
#include "mining/source_recipe.h"
#include "platform/platform_classes.h"
#include "runtime/memory_controls.h"

#include "fuzz_input.h"

// The sources unescape through the script class: register it once, before
// the first input. A target includes this header from its one file.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kestrilo::RegisterPlatformClasses();
  return 0;
}

namespace kestrilo::fuzz {

class FuzzWindow final : public MiningWindow {
 public:
  EditBox& KeywordBox() override { return keyword_; }
  EditBox& ResultBox() override { return results_; }
  ProgressBar& Progress() override { return progress_; }
  StatusBar& Status() override { return status_; }
  Button& ExportButton() override { return export_button_; }
  void ShowMessage(const Text&) override {}

 private:
  MemoryEditBox keyword_;
  MemoryEditBox results_;
  MemoryProgressBar progress_{0, 100};
  MemoryStatusBar status_;
  MemoryButton export_button_;
};

class InputReplies final : public RequestRoutines {
 public:
  explicit InputReplies(FuzzInput& in) : in_(in) {}
  Text WebRequest(const Text&, const Text&) override { return Next(); }
  Text InetRequestText(const Text&, const Text&) override { return Next(); }

  std::vector<Text> given;

 private:
  Text Next() {
    given.emplace_back(in_.NextText());
    return given.back();
  }
  FuzzInput& in_;
};

// A recipe that reads its reply as GBK and unescapes nothing can only
// append lines that stand in one of its replies.
inline bool AppendsReplyBytes(const SourceRecipe& recipe) {
  if (recipe.reply != ReplyForm::kGbk) return false;
  for (const RecipeCut& cut : recipe.cuts) {
    if (cut.unescape) return false;
  }
  return true;
}

// Runs `recipe` as `source` with replies from `in` and checks what any
// source must keep to: the list only grows at its end, the page cap holds,
// and a source that appends reply bytes appends nothing else.
inline void CheckSource(const SourceRecipe& recipe, const KeywordSource& source, FuzzWindow& window,
                        FuzzInput& in) {
  InputReplies replies(in);
  SourceContext context(window, replies);
  const Text before = window.ResultBox().Content();
  source.step(context);
  const Text after = window.ResultBox().Content();
  FUZZ_CHECK(after.compare(0, before.size(), before) == 0);
  const std::size_t most = recipe.pages ? 1 + static_cast<std::size_t>(recipe.pages->max) : 1;
  FUZZ_CHECK(replies.given.size() <= most);
  FUZZ_CHECK(static_cast<std::size_t>(context.Current().requests) == replies.given.size());
  if (!AppendsReplyBytes(recipe)) return;
  const std::string_view added = std::string_view(after).substr(before.size());
  for (std::size_t from = 0; from < added.size();) {
    const std::size_t end = std::min(added.find("\r\n", from), added.size());
    const std::string_view line = added.substr(from, end - from);
    bool found = false;
    for (const Text& reply : replies.given) found = found || reply.find(line) != Text::npos;
    FUZZ_CHECK(found);
    from = end + 2;
  }
}

}  // namespace kestrilo::fuzz
