// Throughput of the text routines a mining run leans on: de-duplicating the
// result list at the end of a run and cutting keywords out of whole pages.
//
//   build/default/bench/text_bench --benchmark_filter=RemoveDuplicates
//
// RemoveDuplicates is fitted against O(N): its bytes_per_second stays within
// a small factor from a thousand lines to a million (the drop at the top is
// the hash table leaving the cache), where a quadratic one falls by the
// factor the list grew.

#include <string>

#include <benchmark/benchmark.h>

#include "runtime/text_commands.h"
#include "text/remove_duplicates.h"
#include "text/text_between_all.h"

namespace kestrilo {
namespace {

// N keyword lines, every fourth one a repeat of an earlier line, with GBK
// characters in them as real lists have.
Text KeywordList(int lines) {
  Text list;
  for (int i = 0; i < lines; ++i) {
    list += "\xB9\xD8\xBC\xFC\xB4\xCA keyword " + std::to_string(i % 4 == 3 ? i / 2 : i);
    list += "\r\n";
  }
  return list;
}

void BM_RemoveDuplicates(benchmark::State& state) {
  const Text list = KeywordList(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(RemoveDuplicates(list, "\r\n", SplitMode::kSeparator));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(list.size()));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RemoveDuplicates)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 20)
    ->Complexity(benchmark::oN);

// A page of some hundreds of kilobytes with a keyword link every ~300 bytes.
Text KeywordPage() {
  Text page;
  for (int i = 0; page.size() < 400 * 1024; ++i) {
    page += "<div class=\"row\"><span>\xCB\xB5\xC3\xF7 filler text for layout</span>";
    page += "<li class=\"col-133 nofoldtxt\"><a title=\"keyword " + std::to_string(i) +
            "\" href=\"/k/" + std::to_string(i) + "\">more</a></li></div>\n";
  }
  return page;
}

void BM_TextBetweenAllOnPage(benchmark::State& state) {
  const Text page = KeywordPage();
  TextList items;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        TextBetweenAll(page, "<li class=\"col-133 nofoldtxt\"><a title=\"", "\" href=\"", items));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(page.size()));
}
BENCHMARK(BM_TextBetweenAllOnPage);

void BM_FindTextMissOnPage(benchmark::State& state) {
  const Text page = KeywordPage();
  for (auto _ : state) benchmark::DoNotOptimize(FindText(page, "not on this page"));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(page.size()));
}
BENCHMARK(BM_FindTextMissOnPage);

}  // namespace
}  // namespace kestrilo
