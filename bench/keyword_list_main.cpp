// kestrilo-keyword-list LINES
//
// Writes the benchmarks' generated keyword list of LINES lines (GBK, "\n"
// after each) to stdout, for the comparison script and the plot.

#include <charconv>
#include <cstdio>
#include <cstring>

#include "keyword_data.h"

int main(int argc, char** argv) {
  std::size_t lines = 0;
  const char* end = argc == 2 ? argv[1] + std::strlen(argv[1]) : nullptr;
  if (argc != 2 || std::from_chars(argv[1], end, lines).ptr != end) {
    std::fprintf(stderr, "usage: kestrilo-keyword-list LINES\n");
    return 2;
  }
  const kestrilo::Text list = kestrilo::bench::KeywordLines(lines);
  return std::fwrite(list.data(), 1, list.size(), stdout) == list.size() ? 0 : 1;
}
