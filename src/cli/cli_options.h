#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kestrilo {

inline constexpr int kExitUsage = 2;
// More seeds at once than this would only queue at the sites.
inline constexpr int kMaxJobs = 64;

enum class ListFormat { kLines, kCsv, kJsonl };

struct CliOptions {
  std::vector<std::string> seeds;         // UTF-8, as given
  std::optional<std::string> seeds_file;  // "-" is standard input
  std::optional<std::string> output_file;
  std::optional<bool> utf8_file;  // absent: the format's own choice
  ListFormat format = ListFormat::kLines;
  int depth = 1;
  int max_seeds = 1000;
  int jobs = 1;
  std::vector<std::string> include;  // UTF-8 patterns
  std::vector<std::string> exclude;
  bool ignore_case = false;
  bool quiet = false;
  bool verbose = false;
  int pace_ms = 0;
  std::optional<int> timeout_seconds;  // absent: each engine's own
  std::vector<std::string> connect_to;
  std::string cacert;
  // Shipped sets' names and recipe files, laid over the built-ins in order
  // instead of the user's recipe file.
  std::vector<std::string> sources;
  bool list_sources = false;
  bool check = false;  // the one seed, if given, is in `seeds`
  // With --check: where to write recipes mended for the sources that gave
  // no keywords.
  std::optional<std::string> suggest_file;
  bool help = false;
  bool version = false;
};

// Either options to run with, or the reason the command line was refused
// (printed before the usage text).
struct ParsedCommandLine {
  std::optional<CliOptions> options;
  std::string error;
};

ParsedCommandLine ParseCommandLine(int argc, char** argv);
const char* UsageText();

}  // namespace kestrilo
