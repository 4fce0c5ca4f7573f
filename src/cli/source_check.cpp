#include "cli/source_check.h"

#include <algorithm>
#include <exception>
#include <string_view>

#include "mining/recipe_source.h"
#include "platform/console.h"
#include "runtime/gbk.h"

namespace kestrilo {
namespace {

constexpr int kExitSourcesChanged = 4;

std::size_t NameWidth(const std::vector<SourceRecipe>& recipes) {
  std::size_t width = 0;
  for (const SourceRecipe& recipe : recipes) width = std::max(width, Columns(recipe.name));
  return width;
}

}  // namespace

// Columns a UTF-8 text takes in a terminal: Chinese characters, like the
// other wide East Asian forms, take two.
std::size_t Columns(std::string_view utf8) {
  std::size_t columns = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
                      (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
                      (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
                      (code >= 0xFFE0 && code <= 0xFFE6) || code >= 0x20000;
    columns += wide ? 2 : 1;
    i += length;
  }
  return columns;
}

std::string Padded(std::string text, std::size_t width) {
  const std::size_t columns = Columns(text);
  if (columns < width) text.append(width - columns, ' ');
  return text;
}

SourceVerdict JudgeSource(const RequestTally& tally, int keywords) {
  if (keywords > 0) return SourceVerdict::kOk;
  if (tally.replies == 0) return SourceVerdict::kFailed;
  if (tally.bytes == 0) return SourceVerdict::kEmpty;
  return SourceVerdict::kNoKeywords;
}

const char* VerdictText(SourceVerdict verdict) {
  switch (verdict) {
    case SourceVerdict::kOk: return "ok";
    case SourceVerdict::kFailed: return "failed";
    case SourceVerdict::kEmpty: return "empty";
    case SourceVerdict::kNoKeywords: return "no keywords";
  }
  return "";
}

int CheckSources(const std::vector<SourceRecipe>& recipes, const Text& seed,
                 ReportingRequests& requests, TerminalWindow& window, std::FILE* out,
                 std::vector<CheckedSource>* checked) {
  std::vector<const SourceRecipe*> enabled;
  for (const SourceRecipe& recipe : recipes) {
    if (recipe.enabled) enabled.push_back(&recipe);
  }
  window.KeywordBox().SetContent(seed);
  const std::vector<KeywordSource> sources = MakeKeywordSources(recipes, 0);
  const std::size_t width = NameWidth(recipes);
  SourceContext context(window, requests);
  bool all_ok = true;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    window.SetSource(static_cast<int>(i) + 1, static_cast<int>(sources.size()), sources[i].name);
    requests.TakeTally();
    context.Current() = NewSourceState(sources[i].name);
    try {
      sources[i].step(context);
    } catch (const std::exception&) {
    }
    const RequestTally tally = requests.TakeTally();
    const int keywords = context.Current().keywords;
    const SourceVerdict verdict = JudgeSource(tally, keywords);
    all_ok = all_ok && verdict == SourceVerdict::kOk;
    if (checked != nullptr) checked->push_back({enabled[i], verdict, context.Current()});
    std::string outcome = tally.first;
    if (tally.requests > 1) outcome += " (" + std::to_string(tally.requests) + " requests)";
    const std::string line = Padded(sources[i].name, width) + "  " + Padded(outcome, 36) + "  " +
                             Padded(std::to_string(tally.bytes) + " bytes", 13) + "  " +
                             Padded(std::to_string(keywords) + " keywords", 13) + "  " +
                             VerdictText(verdict) + "\n";
    window.ClearSource();
    WriteText(out, line);
    std::fflush(out);
  }
  return all_ok ? 0 : kExitSourcesChanged;
}

void ListSources(const std::vector<SourceRecipe>& recipes, std::FILE* out) {
  const std::size_t width = NameWidth(recipes);
  std::size_t origin_width = 0;
  for (const SourceRecipe& recipe : recipes) {
    origin_width = std::max(origin_width, Columns(recipe.Origin()));
  }
  for (const SourceRecipe& recipe : recipes) {
    if (!recipe.enabled) continue;
    const std::string line = Padded(recipe.name, width) + "  " +
                             Padded(recipe.Origin(), origin_width) + "  " +
                             Utf8FromGbk(recipe.address.Fill("{seed}")) + "\n";
    WriteText(out, line);
  }
}

}  // namespace kestrilo
