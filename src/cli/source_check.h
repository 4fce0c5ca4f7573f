#pragma once

// Telling which source stopped giving keywords: a reply that comes but
// yields nothing means the site's format has probably changed.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/reporting_requests.h"
#include "cli/terminal_window.h"
#include "mining/mining_state.h"
#include "mining/source_recipe.h"

namespace kestrilo {

enum class SourceVerdict { kOk, kFailed, kEmpty, kNoKeywords };

// ok: keywords were cut; failed: no request got a reply; empty: replies
// came without a body; no keywords: a body came and the markers cut nothing.
SourceVerdict JudgeSource(const RequestTally& tally, int keywords);
const char* VerdictText(SourceVerdict verdict);

// What the check found of one source.
struct CheckedSource {
  const SourceRecipe* recipe = nullptr;
  SourceVerdict verdict = SourceVerdict::kFailed;
  SourceState state;
};

// Asks every enabled recipe once for `seed` (GBK) without pauses, paged
// sources with all their pages, and prints a line per source to `out`:
// name, outcome, reply size, keywords, verdict. Returns 0 when every source
// is ok, 4 otherwise. `checked`, when given, gets each source's findings.
int CheckSources(const std::vector<SourceRecipe>& recipes, const Text& seed,
                 ReportingRequests& requests, TerminalWindow& window, std::FILE* out,
                 std::vector<CheckedSource>* checked = nullptr);

// Columns a UTF-8 text takes in a terminal (Chinese characters two), and
// the text padded with blanks to `width` of them.
std::size_t Columns(std::string_view utf8);
std::string Padded(std::string text, std::size_t width);

// One line per enabled recipe: name, origin, address.
void ListSources(const std::vector<SourceRecipe>& recipes, std::FILE* out);

}  // namespace kestrilo
