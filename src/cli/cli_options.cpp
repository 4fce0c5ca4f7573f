#include "cli/cli_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include <getopt.h>

namespace kestrilo {
namespace {

enum LongOnly {
  kEncoding = 256,
  kPace,
  kTimeout,
  kConnectTo,
  kCacert,
  kSources,
  kListSources,
  kCheck,
  kSuggest,
  kDepth,
  kMaxSeeds,
  kInclude,
  kExclude,
  kIgnoreCase,
  kFormat,
  kVersion
};

// A whole number of at least `minimum`, and nothing else.
bool ParseCount(const char* text, int minimum, int& value) {
  const char* end = text + std::char_traits<char>::length(text);
  const auto [rest, error] = std::from_chars(text, end, value);
  return error == std::errc() && rest == end && text != end && value >= minimum;
}

// Adds the comma-separated elements of `list` to `elements`; false when one
// is empty, which is a slip (a doubled or trailing comma), never a name.
bool AddListElements(const std::string& list, std::vector<std::string>& elements) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    if (comma == start) return false;
    elements.push_back(list.substr(start, comma - start));
    if (comma == list.size()) return true;
    start = comma + 1;
  }
}

std::string Lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

const char* UsageText() {
  return "usage: kestrilo-cli [options] SEED...\n"
         "       kestrilo-cli [options] -i FILE [SEED...]\n"
         "       kestrilo-cli [options] --check [SEED]\n"
         "       kestrilo-cli [options] --list-sources\n"
         "Mines long-tail keywords for each seed from every source in effect into one\n"
         "list.\n"
         "\n"
         "  -i, --seeds-file FILE   also mine the seeds in FILE, one per line (UTF-8;\n"
         "                          - is standard input; blank and # lines skipped)\n"
         "      --depth N           mine the keywords found as seeds again, N levels\n"
         "                          deep, breadth first, each keyword once (1)\n"
         "      --max-seeds K       mine at most K seeds in all (1000)\n"
         "  -j, --jobs N            mine up to N seeds at once, never more than one\n"
         "                          request at a time to one site; the list is the\n"
         "                          same as with one (1)\n"
         "      --include REGEX     keep only keywords matching REGEX (repeatable: all\n"
         "                          must match); others are not mined further either\n"
         "      --exclude REGEX     drop keywords matching REGEX (repeatable)\n"
         "      --ignore-case       patterns ignore letter case\n"
         "      --format FORMAT     lines (default), csv (keyword,source,seed,depth) or\n"
         "                          jsonl (one object per keyword with those fields)\n"
         "  -o, --output FILE       write the list to FILE instead of standard output:\n"
         "                          lines as the window exports them (GBK, CRLF between\n"
         "                          lines), csv as UTF-8 with a BOM, jsonl as UTF-8\n"
         "      --encoding ENC     gbk or utf-8, for the -o file\n"
         "  -q, --quiet             no progress or warnings on standard error\n"
         "  -v, --verbose           report every request on standard error\n"
         "      --pace MS           wait after each keyword of the sources that pause\n"
         "                          (chinaz and 5guanjianci among the built-ins), and\n"
         "                          between two requests to one site; 0\n"
         "      --timeout SECONDS   give up on a site that is silent this long (default:\n"
         "                          30 s with the web engine, 60 s with the inet one)\n"
         "      --sources LIST      lay the recipe sets (current, extra) and recipe\n"
         "                          files of LIST, comma-separated, over the built-in\n"
         "                          sources, in order, instead of the user's\n"
         "                          ~/.config/kestrilo/sources.toml (repeatable)\n"
         "      --list-sources      print the sources in effect and where each came from\n"
         "      --check             ask every source once for SEED (default 手机) and\n"
         "                          say which ones still give keywords\n"
         "      --suggest FILE      with --check: for each source that gave no\n"
         "                          keywords, find the keywords the others gave in its\n"
         "                          reply and write new markers for it to FILE, a\n"
         "                          recipe file to read, then try with --sources FILE\n"
         "      --connect-to HOST:PORT:ADDR:PORT\n"
         "                          send HOST:PORT to ADDR:PORT instead (repeatable)\n"
         "      --cacert FILE       also trust the certificates in FILE (PEM)\n"
         "  -h, --help              show this text\n"
         "      --version           show the version\n"
         "\n"
         "Example: two levels deep into a spreadsheet, only keywords with 手机 in them,\n"
         "four seeds at a time:\n"
         "  kestrilo-cli --depth 2 --jobs 4 --include 手机 --format csv -o list.csv 手机壳\n"
         "\n"
         "Ctrl+C stops the run at once, the requests and waits under way included, and\n"
         "still writes what was found; a second Ctrl+C does not stop that writing, a\n"
         "third ends at once.\n"
         "\n"
         "Exit status: 0 after the runs, 2 for a bad command line, an empty seed, a\n"
         "bad pattern or a bad recipe file, 3 when no request got any reply, 1 when\n"
         "the list could not be written, 5 when libcurl could not be loaded, 130 when\n"
         "stopped by Ctrl+C; --check: 0 when every source gives keywords, 4 otherwise.\n";
}

ParsedCommandLine ParseCommandLine(int argc, char** argv) {
  static const option kLongOptions[] = {
      {"output", required_argument, nullptr, 'o'},
      {"encoding", required_argument, nullptr, kEncoding},
      {"quiet", no_argument, nullptr, 'q'},
      {"verbose", no_argument, nullptr, 'v'},
      {"pace", required_argument, nullptr, kPace},
      {"timeout", required_argument, nullptr, kTimeout},
      {"connect-to", required_argument, nullptr, kConnectTo},
      {"cacert", required_argument, nullptr, kCacert},
      {"sources", required_argument, nullptr, kSources},
      {"list-sources", no_argument, nullptr, kListSources},
      {"check", no_argument, nullptr, kCheck},
      {"suggest", required_argument, nullptr, kSuggest},
      {"seeds-file", required_argument, nullptr, 'i'},
      {"depth", required_argument, nullptr, kDepth},
      {"max-seeds", required_argument, nullptr, kMaxSeeds},
      {"jobs", required_argument, nullptr, 'j'},
      {"include", required_argument, nullptr, kInclude},
      {"exclude", required_argument, nullptr, kExclude},
      {"ignore-case", no_argument, nullptr, kIgnoreCase},
      {"format", required_argument, nullptr, kFormat},
      {"help", no_argument, nullptr, 'h'},
      {"version", no_argument, nullptr, kVersion},
      {nullptr, 0, nullptr, 0},
  };
  CliOptions options;
  ParsedCommandLine parsed;
  // getopt keeps its place in globals; start over so that a second parse in
  // the same process sees the whole line.
  optind = 0;
  opterr = 0;
  for (;;) {
    const int current = optind == 0 ? 1 : optind;
    const int c = getopt_long(argc, argv, ":o:i:j:qvh", kLongOptions, nullptr);
    if (c == -1) break;
    const std::string given = current < argc ? argv[current] : "";
    switch (c) {
      case 'o': options.output_file = optarg; break;
      case kEncoding: {
        const std::string encoding = Lowered(optarg);
        if (encoding == "utf-8" || encoding == "utf8") {
          options.utf8_file = true;
        } else if (encoding == "gbk") {
          options.utf8_file = false;
        } else {
          parsed.error = "unknown encoding '" + std::string(optarg) + "' (gbk or utf-8)";
          return parsed;
        }
        break;
      }
      case 'q': options.quiet = true; break;
      case 'v': options.verbose = true; break;
      case kPace:
        if (!ParseCount(optarg, 0, options.pace_ms)) {
          parsed.error = "--pace wants milliseconds, not '" + std::string(optarg) + "'";
          return parsed;
        }
        break;
      case kTimeout: {
        int seconds = 0;
        if (!ParseCount(optarg, 1, seconds)) {
          parsed.error = "--timeout wants whole seconds, not '" + std::string(optarg) + "'";
          return parsed;
        }
        options.timeout_seconds = seconds;
        break;
      }
      case kConnectTo: options.connect_to.emplace_back(optarg); break;
      case kCacert: options.cacert = optarg; break;
      case kSources:
        if (!AddListElements(optarg, options.sources)) {
          parsed.error = "--sources wants recipe sets or files separated by commas, not '" +
                         std::string(optarg) + "'";
          return parsed;
        }
        break;
      case kListSources: options.list_sources = true; break;
      case kCheck: options.check = true; break;
      case kSuggest: options.suggest_file = optarg; break;
      case 'i': options.seeds_file = optarg; break;
      case kDepth:
        if (!ParseCount(optarg, 1, options.depth)) {
          parsed.error =
              "--depth wants a number of levels, 1 or more, not '" + std::string(optarg) + "'";
          return parsed;
        }
        break;
      case kMaxSeeds:
        if (!ParseCount(optarg, 1, options.max_seeds)) {
          parsed.error = "--max-seeds wants a number, 1 or more, not '" + std::string(optarg) + "'";
          return parsed;
        }
        break;
      case 'j':
        if (!ParseCount(optarg, 1, options.jobs) || options.jobs > kMaxJobs) {
          parsed.error = "--jobs wants a number from 1 to " + std::to_string(kMaxJobs) + ", not '" +
                         std::string(optarg) + "'";
          return parsed;
        }
        break;
      case kInclude: options.include.emplace_back(optarg); break;
      case kExclude: options.exclude.emplace_back(optarg); break;
      case kIgnoreCase: options.ignore_case = true; break;
      case kFormat: {
        const std::string format = Lowered(optarg);
        if (format == "lines") {
          options.format = ListFormat::kLines;
        } else if (format == "csv") {
          options.format = ListFormat::kCsv;
        } else if (format == "jsonl") {
          options.format = ListFormat::kJsonl;
        } else {
          parsed.error = "unknown format '" + std::string(optarg) + "' (lines, csv or jsonl)";
          return parsed;
        }
        break;
      }
      case 'h': options.help = true; break;
      case kVersion: options.version = true; break;
      case ':': parsed.error = "option '" + given + "' needs a value"; return parsed;
      default: parsed.error = "unknown option '" + given + "'"; return parsed;
    }
  }
  for (int i = optind; i < argc; ++i) options.seeds.emplace_back(argv[i]);
  if (options.suggest_file && !options.check) {
    parsed.error = "--suggest goes with --check";
    return parsed;
  }
  if (options.check && options.seeds.size() > 1) {
    parsed.error = "--check takes one seed";
    return parsed;
  }
  const bool needs_seed = !options.help && !options.version && !options.list_sources;
  // Standard output is always UTF-8: a GBK asked for there would be ignored.
  if (options.utf8_file == false && !options.output_file) {
    parsed.error = "--encoding gbk is for the -o file; standard output is UTF-8";
    return parsed;
  }
  if (options.utf8_file == false && options.format == ListFormat::kJsonl) {
    parsed.error = "jsonl is written as UTF-8 only";
    return parsed;
  }
  if (options.seeds.empty() && !options.seeds_file && needs_seed && !options.check) {
    parsed.error = "no seed given";
    return parsed;
  }
  parsed.options = std::move(options);
  return parsed;
}

}  // namespace kestrilo
