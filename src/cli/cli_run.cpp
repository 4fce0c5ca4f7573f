#include "cli/cli_run.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "cli/cli_options.h"
#include "cli/keyword_filter.h"
#include "cli/keyword_ledger.h"
#include "cli/list_output.h"
#include "cli/reporting_requests.h"
#include "cli/run_stop.h"
#include "cli/seed_miner.h"
#include "cli/source_check.h"
#include "cli/source_mending.h"
#include "cli/terminal_window.h"
#include "mining/recipe_set.h"
#include "platform/console.h"
#include "platform/http_exchange.h"
#include "platform/platform_classes.h"
#include "runtime/file_path.h"
#include "runtime/file_writer.h"
#include "runtime/gbk.h"
#include "text/remove_duplicates.h"

namespace kestrilo {
namespace {

constexpr int kExitWriteFailed = 1;
constexpr int kExitNoReply = 3;
constexpr int kExitNoHttpClient = 5;
constexpr int kExitInterrupted = 130;

void PrintError(const std::string& utf8) {
  WriteText(stderr, "kestrilo-cli: " + utf8 + "\n");
}

int Usage(const std::string& error) {
  if (!error.empty()) PrintError(error);
  WriteText(stderr, UsageText());
  return kExitUsage;
}

// The seeds as the program's GBK, or nothing when one is empty (the window
// refuses that one, and a run over the rest would be surprising).
std::optional<std::vector<Text>> GbkSeeds(const std::vector<std::string>& seeds) {
  std::vector<Text> converted;
  for (const std::string& seed : seeds) {
    if (seed.empty()) {
      WriteText(stderr, "请输入想要挖掘的关键词\n");
      return std::nullopt;
    }
    Text gbk = GbkFromUtf8(seed);
    // A "?" typed as such survives the round trip; one put in by the
    // conversion does not.
    if (Utf8FromGbk(gbk) != seed) {
      PrintError("'" + seed + "' has characters GBK lacks; they are sent as '?'");
    }
    converted.push_back(std::move(gbk));
  }
  return converted;
}

// The seeds of a seeds file, one per line; blank lines and "#" lines are
// skipped. Nothing when the file cannot be read.
std::optional<std::vector<std::string>> SeedsFromFile(const std::string& path) {
  std::ifstream file;
  std::istream* in = &std::cin;
  if (path != "-") {
    file.open(PathFromUtf8(path), std::ios::binary);
    if (!file) return std::nullopt;
    in = &file;
  }
  std::vector<std::string> seeds;
  for (std::string line; std::getline(*in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    if (line.find_first_not_of(" \t") == std::string::npos || line.starts_with("#")) continue;
    seeds.push_back(line);
  }
  if (in->bad()) return std::nullopt;
  return seeds;
}

// Lives as long as the process: the thread that takes Ctrl+C holds it.
RunStop& TheStop() {
  static RunStop stop;
  return stop;
}

// Standard output that cannot take the list (a full disk, a closed pipe)
// is a failure to write it, said as such.
int WriteToStdout(const std::string& content, int status) {
  const bool written = WriteText(stdout, content);
  if (written && std::fflush(stdout) == 0) return status;
  PrintError(std::string("could not write to standard output: ") + std::strerror(errno));
  return kExitWriteFailed;
}

// The recipes in effect: the sets and files --sources names, or else the
// user's file when there is one, over the built-ins. Nothing when one of
// them is bad.
std::optional<std::vector<SourceRecipe>> RecipesInEffect(const CliOptions& options) {
  const bool given = !options.sources.empty();
  const RecipeSet set =
      given ? LoadRecipeLayers(options.sources) : LoadRecipeSet(UserRecipeFilePath(), false);
  if (set.error) {
    PrintError((given ? "--sources: " : "") + set.error->Describe());
    return std::nullopt;
  }
  return set.recipes;
}

}  // namespace

int RunCli(int argc, char** argv) {
  PrepareConsole();
  // The arguments as UTF-8 whatever the system handed over.
  std::vector<std::string> args = CommandLineUtf8(argc, argv);
  std::vector<char*> arg_pointers;
  for (std::string& arg : args) arg_pointers.push_back(arg.data());
  arg_pointers.push_back(nullptr);
  const ParsedCommandLine parsed =
      ParseCommandLine(static_cast<int>(args.size()), arg_pointers.data());
  if (!parsed.options) return Usage(parsed.error);
  const CliOptions& options = *parsed.options;
  if (options.help) {
    WriteText(stdout, UsageText());
    return 0;
  }
  if (options.version) {
    WriteText(stdout, "kestrilo-cli 0.1.0\n");
    return 0;
  }
  const std::optional<std::vector<SourceRecipe>> recipes = RecipesInEffect(options);
  if (!recipes) return kExitUsage;
  if (options.list_sources) {
    ListSources(*recipes, stdout);
    return WriteToStdout({}, 0);
  }
  std::vector<std::string> given = options.seeds;
  if (options.check && given.empty()) given.emplace_back("手机");
  if (options.seeds_file) {
    const std::optional<std::vector<std::string>> from_file = SeedsFromFile(*options.seeds_file);
    if (!from_file) {
      PrintError("cannot read the seeds file " + *options.seeds_file);
      return kExitUsage;
    }
    given.insert(given.end(), from_file->begin(), from_file->end());
    if (given.empty()) {
      PrintError("no seed in " + *options.seeds_file);
      return kExitUsage;
    }
  }
  const std::optional<std::vector<Text>> seeds = GbkSeeds(given);
  if (!seeds) return kExitUsage;
  std::string pattern_error;
  const std::optional<KeywordFilter> filter =
      KeywordFilter::Make(options.include, options.exclude, options.ignore_case, pattern_error);
  if (!filter) {
    PrintError(pattern_error);
    return kExitUsage;
  }

  // Without libcurl every request would fail alike and look like a network
  // that is down.
  if (const std::string problem = HttpClientProblem(); !problem.empty()) {
    PrintError("libcurl could not be loaded: " + problem);
    return kExitNoHttpClient;
  }
  RegisterPlatformClasses();
  SetConnectTo(options.connect_to);
  SetExtraTrustedCa(options.cacert);
  // A file-size limit then fails the write with EFBIG, which is reported,
  // instead of ending the program by a signal.
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif

  TerminalReport report(stderr, !options.quiet && IsTerminal(stderr), options.verbose);
  RunStop& stop = TheStop();
  TerminalUiPort ui_port(report, &stop);
  ScopedUiPort installed(ui_port);
  if (options.check) {
    HostGate gate;
    ReportingRequests requests(report, options.timeout_seconds, gate);
    TerminalWindow window(report);
    std::vector<CheckedSource> checked;
    const int status = CheckSources(*recipes, seeds->front(), requests, window, stdout, &checked);
    if (!options.suggest_file) return status;
    std::string why;
    if (!SuggestMendedRecipes(checked, seeds->front(), *options.suggest_file, stdout, why)) {
      PrintError("could not write " + *options.suggest_file + ": " + why);
      return kExitWriteFailed;
    }
    return status;
  }

  // Before the miner starts any thread, which must not take the signal.
  StopOnCtrlC(stop, kExitInterrupted);
  SeedMiner miner(*recipes,
                  {.jobs = options.jobs,
                   .pace_ms = options.pace_ms,
                   .timeout_seconds = options.timeout_seconds,
                   .warn = !options.quiet,
                   .several_levels = options.depth > 1},
                  report, stop);
  KeywordLedger ledger;
  // Every seed's lines in the seeds' order; de-duplicated once at the end,
  // which keeps each keyword where it was first found.
  Text list;
  const auto take = [&](Harvest& harvest) {
    for (auto& [source, lines] : harvest.added) {
      ledger.Record(lines, source, harvest.seed, harvest.depth);
      if (!list.empty() && !list.ends_with("\r\n") && !lines.empty()) list += "\r\n";
      list += lines;
    }
  };
  // Breadth first: every seed of a level before the keywords they found.
  std::vector<Text> level = *seeds;
  std::unordered_set<Text> mined;
  int mined_count = 0;
  bool capped = false;
  for (int depth = 1; depth <= options.depth && !level.empty() && !stop.Requested() && !capped;
       ++depth) {
    std::vector<Text> to_mine;
    for (const Text& seed : level) {
      if (seed.empty() || !mined.insert(seed).second) continue;
      if (mined_count == options.max_seeds) {
        capped = true;
        break;
      }
      ++mined_count;
      to_mine.push_back(seed);
    }
    miner.MineLevel(
        to_mine, depth, take, [&] { return ledger.Size(); },
        [&](const Text& keyword) { return ledger.Find(keyword) != nullptr; });
    // A keyword filtered out is no seed either.
    level.clear();
    for (const Text& keyword : ledger.FoundAt(depth)) {
      if (filter->Keeps(keyword)) level.push_back(keyword);
    }
  }
  if (capped) {
    PrintError("stopped at --max-seeds " + std::to_string(options.max_seeds) + " seeds mined");
  }

  // A stop cancels the requests under way, so their failures say nothing
  // about the network.
  const bool stopped = stop.Requested();
  if (!stopped && miner.Requests() > 0 && miner.Replies() == 0) {
    PrintError("no request got any reply; is the network down?");
    return kExitNoReply;
  }
  // A stopped run ends before its de-duplication.
  std::vector<Text> keywords =
      ListKeywords(RemoveDuplicates(std::move(list), "\r\n", SplitMode::kSeparator));
  std::erase_if(keywords, [&](const Text& keyword) { return !filter->Keeps(keyword); });
  const int status = stopped ? kExitInterrupted : 0;
  if (stopped) {
    const int started = miner.SeedsStarted();
    PrintError("stopped by Ctrl+C after beginning " + std::to_string(started) +
               (started == 1 ? " seed" : " seeds") + "; writing the " +
               std::to_string(keywords.size()) + " keywords found");
  }
  const std::string content = FormatList(keywords, ledger, options.format,
                                         options.output_file.has_value(), options.utf8_file);
  if (!options.output_file) return WriteToStdout(content, status);
  // Written beside the target and put in its place whole: never half a file.
  const Bytes bytes(content.begin(), content.end());
  std::string why;
  if (!WriteToPath(*options.output_file, std::span<const Bytes>(&bytes, 1), &why)) {
    PrintError("could not write " + *options.output_file + ": " + why);
    return kExitWriteFailed;
  }
  return status;
}

}  // namespace kestrilo
