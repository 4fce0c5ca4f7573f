// One whole mining run for "手机" over the fake sites on loopback, with no
// pause between keywords: what a run costs apart from the sites' speed.

#include <cstdlib>
#include <memory>

#include <benchmark/benchmark.h>

#include "mining/engine_requests.h"
#include "mining/mining_run.h"
#include "mining/recipe_set.h"
#include "mining/recipe_source.h"
#include "platform/http_exchange.h"
#include "platform/platform_classes.h"
#include "runtime/gbk.h"
#include "runtime/text_commands.h"

#include "support/fake_sites.h"
#include "support/memory_mining_window.h"

namespace kestrilo::bench {
namespace {

void BM_FullRunOverFakeSites(benchmark::State& state) {
  setenv("KESTRILO_FIXTURES", KESTRILO_FIXTURE_DIR, /*overwrite=*/0);
  RegisterPlatformClasses();
  const testing::FakeSites sites;
  SetConnectTo(sites.Routes());
  SetExtraTrustedCa(sites.CaFile());
  // The result box holds the list with "\r\n" between the lines.
  Text expected;
  for (const std::string& line : testing::ExpectedSiteKeywords()) {
    if (expected.empty() && line.empty()) continue;  // nothing precedes the first keyword
    if (!expected.empty()) expected += "\r\n";
    expected += GbkFromUtf8(line);
  }
  const Text seed = "手机"_gbk;
  EngineRequests engines;

  Text results;
  for (auto _ : state) {
    testing::MemoryMiningWindow window;
    window.keyword.SetContent(seed);
    MiningRun run(window, engines, MakeKeywordSources(BuiltInRecipes(), 0));
    run.Run();
    results = window.results.Content();
  }
  SetConnectTo({});
  SetExtraTrustedCa("");
  if (results != expected) {
    state.SkipWithError("the run did not give the fixtures' keyword list");
    return;
  }
  state.counters["keywords"] = static_cast<double>(SplitTextViews(results, "\r\n").size());
  state.counters["requests_per_run"] =
      static_cast<double>(sites.Requests()) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_FullRunOverFakeSites)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kestrilo::bench
