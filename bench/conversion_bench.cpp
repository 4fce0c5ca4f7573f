// UTF-8 to GBK over the 8 MB of mixed text (11 MB as UTF-8), the
// conversion every UTF-8 reply goes through.

#include <cstdint>

#include <benchmark/benchmark.h>

#include "platform/platform_classes.h"
#include "runtime/gbk.h"
#include "text/code_page_conversion.h"

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

}  // namespace
}  // namespace kestrilo::bench
