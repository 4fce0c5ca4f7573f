// The six sources cutting keywords out of whatever the sites send back.
// Every request is answered with the next text of the input, and with the
// empty text once they run out, so a page count near the cap costs only
// empty pages. The three sources that append the reply's own bytes must
// append nothing that was not in a reply.

#include <string_view>
#include <vector>

#include "mining/keyword_sources.h"
#include "mining/mining_state.h"
#include "mining/mining_window.h"
#include "mining/page_sources.h"
#include "mining/request_routines.h"
#include "platform/platform_classes.h"
#include "runtime/gbk.h"
#include "runtime/memory_controls.h"

#include "fuzz_input.h"

namespace {

using namespace kestrilo;
using kestrilo::fuzz::FuzzInput;

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
  MemoryProgressBar progress_{0, 60};
  MemoryStatusBar status_;
  MemoryButton export_button_;
};

class InputReplies final : public RequestRoutines {
 public:
  explicit InputReplies(FuzzInput& in) : in_(in) {}
  Text WebRequest(const Text&) override { return Next(); }
  Text InetRequestText(const Text&) override { return Next(); }

  std::vector<Text> given;

 private:
  Text Next() {
    given.emplace_back(in_.NextText());
    return given.back();
  }
  FuzzInput& in_;
};

// The sources that append the bytes of their reply, by position in the run.
bool AppendsReplyBytes(std::size_t source) { return source <= 2; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool registered = (RegisterPlatformClasses(), true);
  (void)registered;
  if (size > fuzz::kMaxInput) return -1;
  static const std::vector<KeywordSource> sources = MakeKeywordSources(SourcePacing{0});

  FuzzInput in(data, size);
  FuzzWindow window;
  window.KeywordBox().SetContent("手机"_gbk);
  MiningState state;
  // The first source is chosen, so each one sees the input's first texts.
  const std::size_t first = in.Byte() % sources.size();
  for (std::size_t n = 0; n < sources.size(); ++n) {
    const std::size_t source = (first + n) % sources.size();
    InputReplies replies(in);
    SourceContext context(window, replies, state);
    const Text before = window.ResultBox().Content();
    sources[source].step(context);
    const Text after = window.ResultBox().Content();
    FUZZ_CHECK(after.compare(0, before.size(), before) == 0);
    FUZZ_CHECK(replies.given.size() <= 1 + kMaxChinazPages);
    if (!AppendsReplyBytes(source)) continue;
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
  return 0;
}
