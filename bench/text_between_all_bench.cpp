// Cutting every keyword out of a large results page with TextBetweenAll, the
// way the page sources read chinaz and 5guanjianci.

#include <cstdint>

#include <benchmark/benchmark.h>

#include "text/text_between_all.h"

#include "keyword_data.h"

namespace kestrilo::bench {
namespace {

void BM_TextBetweenAll(benchmark::State& state) {
  const Text left = "<li><a title=\"";
  const Text right = "\" href=\"/k/";
  const Text page = MarkedPage(static_cast<std::size_t>(state.range(0)) << 20, left, right);
  TextList items;
  int found = 0;
  for (auto _ : state) {
    found = TextBetweenAll(page, left, right, items);
    benchmark::DoNotOptimize(items);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(page.size()));
  state.counters["pieces"] = found;
  state.counters["bytes_per_piece"] = static_cast<double>(page.size()) / found;
}
BENCHMARK(BM_TextBetweenAll)->Arg(1)->Arg(8)->ArgName("MiB")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrilo::bench
