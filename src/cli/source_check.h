#pragma once

// Telling which source stopped giving keywords: a reply that comes but
// yields nothing means the site's format has probably changed.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/reporting_requests.h"
#include "cli/terminal_window.h"
#include "mining/source_recipe.h"

namespace kestrilo {

enum class SourceVerdict { kOk, kFailed, kEmpty, kNoKeywords };

// ok: keywords were cut; failed: no request got a reply; empty: replies
// came without a body; no keywords: a body came and the markers cut nothing.
SourceVerdict JudgeSource(const RequestTally& tally, int keywords);
const char* VerdictText(SourceVerdict verdict);

// Asks every enabled recipe once for `seed` (GBK) without pauses, paged
// sources with all their pages, and prints a line per source to `out`:
// name, outcome, reply size, keywords, verdict. Returns 0 when every source
// is ok, 4 otherwise.
int CheckSources(const std::vector<SourceRecipe>& recipes, const Text& seed,
                 ReportingRequests& requests, TerminalWindow& window, std::FILE* out);

// One line per enabled recipe: name, origin, address.
void ListSources(const std::vector<SourceRecipe>& recipes, std::FILE* out);

}  // namespace kestrilo
