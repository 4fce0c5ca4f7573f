// kestrilo-dedupe [--literal] FILE
//
// Prints the unique lines of FILE, first occurrences in order, exactly as
// `awk '!seen[$0]++' FILE` does, so the two can be timed on the same file and
// their outputs compared with cmp. Lines split by the double-byte rule: a GBK
// lead byte right before "\n" takes it as its trail byte, which for valid
// GBK never happens. Reports on stderr the time the de-duplication itself
// took and the process's peak resident memory.

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include <sys/resource.h>
#include <sys/stat.h>

#include "line_dedupe.h"

namespace {

// One allocation of the file's size: growing the buffer as it fills would
// leave the copies' pages in the peak figure.
bool ReadWhole(const char* path, std::string& content) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  struct stat status {};
  bool ok = fstat(fileno(file), &status) == 0;
  if (ok) {
    content.resize(static_cast<std::size_t>(status.st_size));
    ok = std::fread(content.data(), 1, content.size(), file) == content.size();
  }
  std::fclose(file);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  using kestrilo::bench::DedupeMethod;
  const bool literal = argc == 3 && std::strcmp(argv[1], "--literal") == 0;
  if (argc != 2 && !literal) {
    std::fprintf(stderr, "usage: kestrilo-dedupe [--literal] FILE\n");
    return 2;
  }
  const char* path = argv[argc - 1];
  std::string content;
  if (!ReadWhole(path, content)) {
    std::fprintf(stderr, "kestrilo-dedupe: cannot read %s: %s\n", path, std::strerror(errno));
    return 1;
  }

  const auto start = std::chrono::steady_clock::now();
  const std::size_t bytes_in = content.size();
  const std::string unique = kestrilo::bench::DedupeLines(
      std::move(content), literal ? DedupeMethod::kLiteral : DedupeMethod::kKestrilo);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  if (std::fwrite(unique.data(), 1, unique.size(), stdout) != unique.size() ||
      std::fflush(stdout) != 0) {
    std::fprintf(stderr, "kestrilo-dedupe: cannot write the result\n");
    return 1;
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::fprintf(stderr, "kestrilo-dedupe: %zu bytes in, %zu out, dedupe %.6f s, peak_rss_kib %ld\n",
               bytes_in, unique.size(), seconds, usage.ru_maxrss);
  return 0;
}
