#pragma once

// Recipes at work: each becomes a source step of a run.

#include <optional>
#include <vector>

#include "mining/keyword_source.h"
#include "mining/source_recipe.h"

namespace kestrilo {

// The step that asks the recipe's site and appends what its cuts take.
// `pace_ms`, when given, replaces the pause of a recipe that pauses (the
// command line's --pace); a recipe without a pause keeps none.
KeywordSource SourceFromRecipe(const SourceRecipe& recipe, std::optional<int> pace_ms = {});

// The enabled recipes of `recipes` as steps, in order.
std::vector<KeywordSource> MakeKeywordSources(const std::vector<SourceRecipe>& recipes,
                                              std::optional<int> pace_ms = {});

}  // namespace kestrilo
