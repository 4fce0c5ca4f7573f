// De-duplicating generated keyword lists: RemoveDuplicates from ten thousand
// to a million lines, beside the literal compare-with-every-kept-piece
// algorithm up to a hundred thousand (beyond that it takes minutes).

#include <cstdint>
#include <map>

#include <benchmark/benchmark.h>

#include "text/remove_duplicates.h"

#include "keyword_data.h"
#include "literal_dedupe.h"

namespace kestrilo::bench {
namespace {

const Text& List(std::int64_t lines) {
  static std::map<std::int64_t, Text> lists;
  auto [entry, fresh] = lists.try_emplace(lines);
  if (fresh) entry->second = KeywordLines(static_cast<std::size_t>(lines));
  return entry->second;
}

// The two algorithms must agree before either is timed; checked once per
// size, since the literal one takes a while.
bool Agree(std::int64_t lines) {
  static std::map<std::int64_t, bool> checked;
  auto [entry, fresh] = checked.try_emplace(lines);
  if (fresh) {
    const Text& list = List(lines);
    entry->second =
        RemoveDuplicates(list, "\n", SplitMode::kSeparator) == LiteralRemoveDuplicates(list, "\n");
  }
  return entry->second;
}

void Report(benchmark::State& state, const Text& list) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(list.size()));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
  state.SetComplexityN(state.range(0));
}

void BM_RemoveDuplicates(benchmark::State& state) {
  const Text& list = List(state.range(0));
  if (state.range(0) <= 100'000 && !Agree(state.range(0))) {
    state.SkipWithError("RemoveDuplicates and the literal algorithm disagree");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(RemoveDuplicates(list, "\n", SplitMode::kSeparator));
  }
  Report(state, list);
}
BENCHMARK(BM_RemoveDuplicates)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_LiteralRemoveDuplicates(benchmark::State& state) {
  const Text& list = List(state.range(0));
  if (!Agree(state.range(0))) {
    state.SkipWithError("RemoveDuplicates and the literal algorithm disagree");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(LiteralRemoveDuplicates(list, "\n"));
  Report(state, list);
}
BENCHMARK(BM_LiteralRemoveDuplicates)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
}  // namespace kestrilo::bench
