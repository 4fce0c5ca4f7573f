#pragma once

// Deterministic test material for the benchmarks and the comparison script:
// the same seed always gives the same bytes, so figures from different runs
// and different tools are measured on identical input.

#include <cstddef>
#include <cstdint>

#include "runtime/types.h"

namespace kestrilo::bench {

// splitmix64: the standard library's distributions may differ between
// library versions, this does not.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  // Uniform in [0, n); n > 0.
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }

 private:
  std::uint64_t state_;
};

// `lines` GBK keyword lines, each followed by "\n": two to seven common
// Chinese characters, about one in five with an ASCII brand, model number or
// space in it, and about 30% of the lines repeating an earlier line.
Text KeywordLines(std::size_t lines);

// About `bytes` of running GBK text: Chinese words, ASCII words and numbers,
// spaces and "\r\n" line breaks, in the proportions of a results page.
Text MixedText(std::size_t bytes);

// About `bytes` of page with a keyword between `left` and `right` roughly
// every 100 bytes.
Text MarkedPage(std::size_t bytes, const Text& left, const Text& right);

}  // namespace kestrilo::bench
