// The runtime's searching, splitting and replacing over 8 MB of mixed GBK
// text, each beside the plain byte operation on the same bytes. The gap is
// the price of the double-byte rule: ours step a character at a time so that
// a match never starts on a trail byte.

#include <cstring>
#include <string_view>
#include <vector>

#include <benchmark/benchmark.h>

#include "runtime/gbk.h"
#include "runtime/text_commands.h"

#include "keyword_data.h"

namespace kestrilo::bench {
namespace {

constexpr std::size_t kTextBytes = 8 << 20;

const Text& Mixed() {
  static const Text text = MixedText(kTextBytes);
  return text;
}

// Never in the generated text, so both searches read all of it.
const Text& Absent() {
  static const Text sought = "手机壳 absent 型号"_gbk;
  return sought;
}

void SetBytes(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
}

void BM_FindText(benchmark::State& state) {
  const Text& text = Mixed();
  for (auto _ : state) benchmark::DoNotOptimize(FindText(text, Absent()));
  SetBytes(state, text.size());
}
BENCHMARK(BM_FindText)->Unit(benchmark::kMillisecond);

void BM_Memmem(benchmark::State& state) {
  const Text& text = Mixed();
  const Text& sought = Absent();
  for (auto _ : state) {
    benchmark::DoNotOptimize(memmem(text.data(), text.size(), sought.data(), sought.size()));
  }
  SetBytes(state, text.size());
}
BENCHMARK(BM_Memmem)->Unit(benchmark::kMillisecond);

void BM_SplitText(benchmark::State& state) {
  const Text& text = Mixed();
  for (auto _ : state) benchmark::DoNotOptimize(SplitText(text, " "));
  SetBytes(state, text.size());
}
BENCHMARK(BM_SplitText)->Unit(benchmark::kMillisecond);

void BM_SplitTextViews(benchmark::State& state) {
  const Text& text = Mixed();
  for (auto _ : state) benchmark::DoNotOptimize(SplitTextViews(text, " "));
  SetBytes(state, text.size());
}
BENCHMARK(BM_SplitTextViews)->Unit(benchmark::kMillisecond);

// Byte split into owned strings, as SplitText returns them.
void BM_PlainByteSplit(benchmark::State& state) {
  const Text& text = Mixed();
  for (auto _ : state) {
    std::vector<std::string> pieces;
    const char* pos = text.data();
    const char* const end = pos + text.size();
    while (const void* found = std::memchr(pos, ' ', static_cast<std::size_t>(end - pos))) {
      const char* space = static_cast<const char*>(found);
      pieces.emplace_back(pos, space);
      pos = space + 1;
    }
    if (pos != end) pieces.emplace_back(pos, end);
    benchmark::DoNotOptimize(pieces);
  }
  SetBytes(state, text.size());
}
BENCHMARK(BM_PlainByteSplit)->Unit(benchmark::kMillisecond);

void BM_ReplaceText(benchmark::State& state) {
  const Text& text = Mixed();
  const Text sought = "\r\n";
  for (auto _ : state) benchmark::DoNotOptimize(ReplaceText(text, sought, std::string_view("\n")));
  SetBytes(state, text.size());
}
BENCHMARK(BM_ReplaceText)->Unit(benchmark::kMillisecond);

void BM_PlainByteReplace(benchmark::State& state) {
  const Text& text = Mixed();
  for (auto _ : state) {
    Text result;
    result.reserve(text.size());
    const char* pos = text.data();
    const char* const end = pos + text.size();
    while (const void* found = memmem(pos, static_cast<std::size_t>(end - pos), "\r\n", 2)) {
      const char* match = static_cast<const char*>(found);
      result.append(pos, match);
      result += '\n';
      pos = match + 2;
    }
    result.append(pos, end);
    benchmark::DoNotOptimize(result);
  }
  SetBytes(state, text.size());
}
BENCHMARK(BM_PlainByteReplace)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrilo::bench
