// A JSON cut against a marker cut of the same keywords, each from a UTF-8
// reply as the suggestion services send them: the list cut converts the
// whole reply to GBK, then takes the text between its markers and splits
// it; the JSON cut parses the reply and converts each string it picks.
// Ten keywords, as one suggestion reply holds, and a thousand.

#include <cstdint>
#include <string>

#include <benchmark/benchmark.h>

#include "mining/json_cut.h"
#include "mining/recipe_file.h"
#include "runtime/gbk.h"
#include "runtime/text_commands.h"
#include "text/code_page_conversion.h"
#include "text/marker_slicing.h"

namespace kestrilo::bench {
namespace {

// window.x.sug({"q":"手机","s":["手机壳1","手机壳2",...]}); in UTF-8.
std::string Reply(int keywords) {
  std::string reply = "window.x.sug({\"q\":\"手机\",\"p\":false,\"s\":[";
  for (int i = 0; i < keywords; ++i) {
    reply += (i ? ",\"" : "\"") + std::string("手机壳防摔") + std::to_string(i) + "\"";
  }
  return reply + "]});";
}

void BM_MarkerCut(benchmark::State& state) {
  const std::string reply = Reply(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const Text gbk = Utf8ToGbk(reply);
    benchmark::DoNotOptimize(SplitText(TextBetween(gbk, "s\":[\"", "\"]"), "\",\""));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MarkerCut)->Arg(10)->Arg(1000)->ArgName("keywords")->Unit(benchmark::kMicrosecond);

void BM_JsonCut(benchmark::State& state) {
  const std::string reply = Reply(static_cast<int>(state.range(0)));
  std::string error;
  const std::vector<JsonStep> path = *ParseJsonPath("s[]", error);
  if (JsonCut(reply, path).size() != static_cast<std::size_t>(state.range(0))) {
    state.SkipWithError("the JSON cut does not take every keyword");
    return;
  }
  for (auto _ : state) {
    std::vector<Text> keywords;
    for (const std::string& picked : JsonCut(reply, path)) keywords.push_back(Utf8ToGbk(picked));
    benchmark::DoNotOptimize(keywords);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_JsonCut)->Arg(10)->Arg(1000)->ArgName("keywords")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kestrilo::bench
