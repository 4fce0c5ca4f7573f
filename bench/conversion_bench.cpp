// UTF-8 to GBK over the 8 MB of mixed text (11 MB as UTF-8), the
// conversion every UTF-8 reply goes through; and the "\uXXXX" reading each
// Baidu mobile keyword goes through, directly and through the script
// engine.

#include <cstdint>

#include <benchmark/benchmark.h>

#include "platform/platform_classes.h"
#include "runtime/gbk.h"
#include "text/code_page_conversion.h"
#include "text/url_encoding.h"

#include "keyword_data.h"

namespace kestrilo::bench {
namespace {

void BM_Utf8ToGbk(benchmark::State& state) {
  RegisterPlatformClasses();
  const Text gbk = MixedText(8 << 20);
  const Text utf8 = Utf8FromGbk(gbk);
  if (Utf8ToGbk(utf8) != gbk) {
    state.SkipWithError("Utf8ToGbk does not give the generated text back");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToGbk(utf8));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(utf8.size()));
}
BENCHMARK(BM_Utf8ToGbk)->Unit(benchmark::kMillisecond);

// One item as the mobile result page escapes it, with its line break.
const Text kEscapedItem = "\\u624b\\u673a\\u58f3\\u9632\\u6454 2024\r\n";

template <Text (*Unescape)(const Text&)>
void BM_Unescape(benchmark::State& state) {
  RegisterPlatformClasses();
  if (Unescape(kEscapedItem) != "手机壳防摔 2024\r\n"_gbk) {
    state.SkipWithError("the item does not read as its characters");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(Unescape(kEscapedItem));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_Unescape<UnescapeUnicode>)->Name("BM_UnescapeUnicode")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Unescape<UnescapeUnicodeThroughEngine>)
    ->Name("BM_UnescapeUnicodeThroughEngine")
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kestrilo::bench
