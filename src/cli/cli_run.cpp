#include "cli/cli_run.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/cli_options.h"
#include "cli/reporting_requests.h"
#include "cli/source_check.h"
#include "cli/terminal_window.h"
#include "mining/mining_run.h"
#include "mining/recipe_set.h"
#include "mining/recipe_source.h"
#include "platform/http_exchange.h"
#include "platform/platform_classes.h"
#include "runtime/file_writer.h"
#include "runtime/gbk.h"

namespace kestrilo {
namespace {

constexpr int kExitWriteFailed = 1;
constexpr int kExitNoReply = 3;

void PrintError(const std::string& utf8) {
  std::fputs(("kestrilo-cli: " + utf8 + "\n").c_str(), stderr);
}

int Usage(const std::string& error) {
  if (!error.empty()) PrintError(error);
  std::fputs(UsageText(), stderr);
  return kExitUsage;
}

// The seeds as the program's GBK, or nothing when one is empty (the window
// refuses that one, and a run over the rest would be surprising).
std::optional<std::vector<Text>> GbkSeeds(const std::vector<std::string>& seeds) {
  std::vector<Text> converted;
  for (const std::string& seed : seeds) {
    if (seed.empty()) {
      std::fputs("请输入想要挖掘的关键词\n", stderr);
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

// Each source shows on the progress line while it works. Afterwards the
// verbose report says what it appended, and a source whose site answered
// but whose markers cut nothing is named even without --verbose: that is
// how a changed site shows.
std::vector<KeywordSource> WithProgress(std::vector<KeywordSource> sources, TerminalWindow& window,
                                        TerminalReport& report, ReportingRequests& requests,
                                        bool warn) {
  const int total = static_cast<int>(sources.size());
  for (int i = 0; i < total; ++i) {
    KeywordSource& source = sources[i];
    source.step = [&window, &report, &requests, warn, number = i + 1, total, name = source.name,
                   step = std::move(source.step)](SourceContext& context) {
      window.SetSource(number, total, name);
      requests.TakeTally();
      const int before = window.KeywordCount();
      if (step) step(context);
      // Lines, not items: a source's text may cut into several lines or none.
      report.Detail(name + ": " + std::to_string(window.KeywordCount() - before) +
                    " lines appended");
      const RequestTally tally = requests.TakeTally();
      if (warn && tally.replies > 0 && context.Current().keywords == 0) {
        report.Line("kestrilo-cli: warning: " + name + ": the reply (" + tally.first + ", " +
                    std::to_string(tally.bytes) +
                    " bytes) gave no keywords; the site may have changed (see --check)");
      }
    };
  }
  return sources;
}

// The recipes in effect: --sources FILE, or else the user's file when there
// is one, over the built-ins. Nothing when the file is bad.
std::optional<std::vector<SourceRecipe>> RecipesInEffect(const CliOptions& options) {
  const RecipeSet set = options.sources_file ? LoadRecipeSet(*options.sources_file, true)
                                             : LoadRecipeSet(UserRecipeFilePath(), false);
  if (set.error) {
    PrintError(set.error->Describe());
    return std::nullopt;
  }
  return set.recipes;
}

// One keyword per line, each ended by "\n".
std::string StdoutList(const Text& list) {
  if (list.empty()) return {};
  std::string lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = list.find("\r\n", start);
    lines += Utf8FromGbk(list.substr(start, end - start)) + "\n";
    if (end == Text::npos) break;
    start = end + 2;
  }
  return lines;
}

}  // namespace

int RunCli(int argc, char** argv) {
  const ParsedCommandLine parsed = ParseCommandLine(argc, argv);
  if (!parsed.options) return Usage(parsed.error);
  const CliOptions& options = *parsed.options;
  if (options.help) {
    std::fputs(UsageText(), stdout);
    return 0;
  }
  if (options.version) {
    std::fputs("kestrilo-cli 0.1.0\n", stdout);
    return 0;
  }
  const std::optional<std::vector<SourceRecipe>> recipes = RecipesInEffect(options);
  if (!recipes) return kExitUsage;
  if (options.list_sources) {
    ListSources(*recipes, stdout);
    return std::fflush(stdout) == 0 ? 0 : kExitWriteFailed;
  }
  std::vector<std::string> given = options.seeds;
  if (options.check && given.empty()) given.emplace_back("手机");
  const std::optional<std::vector<Text>> seeds = GbkSeeds(given);
  if (!seeds) return kExitUsage;

  RegisterPlatformClasses();
  SetConnectTo(options.connect_to);
  SetExtraTrustedCa(options.cacert);

  TerminalReport report(stderr, !options.quiet && isatty(STDERR_FILENO) == 1, options.verbose);
  TerminalUiPort ui_port(report);
  ScopedUiPort installed(ui_port);
  TerminalWindow window(report);
  ReportingRequests requests(report, options.timeout_seconds);
  if (options.check) return CheckSources(*recipes, seeds->front(), requests, window, stdout);

  // Consecutive runs of one window: the list is kept from seed to seed and
  // de-duplicated at the end of each run.
  MiningRun run(window, requests,
                WithProgress(MakeKeywordSources(*recipes, options.pace_ms), window, report,
                             requests, !options.quiet));
  for (const Text& seed : *seeds) {
    window.KeywordBox().SetContent(seed);
    run.Run();
  }

  if (requests.Requests() > 0 && requests.Replies() == 0) {
    PrintError("no request got any reply; is the network down?");
    return kExitNoReply;
  }
  const Text list = window.ResultBox().Content();
  if (!options.output_file) {
    const std::string lines = StdoutList(list);
    std::fwrite(lines.data(), 1, lines.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : kExitWriteFailed;
  }
  const std::string content = options.utf8_file ? Utf8FromGbk(list) : list;
  if (!WriteToFile(GbkFromUtf8(*options.output_file), {Bytes(content.begin(), content.end())})) {
    PrintError("could not write " + *options.output_file);
    return kExitWriteFailed;
  }
  return 0;
}

}  // namespace kestrilo
