#pragma once

// The fake sites of the built-in sources, in the order a run asks them.

#include <string>
#include <vector>

#include "mining/recipe_set.h"
#include "mining/recipe_source.h"

#include "support/fake_sites.h"

namespace kestrilo::testing {

inline std::vector<std::string> RecipeNames(const std::vector<SourceRecipe>& recipes) {
  std::vector<std::string> names;
  for (const SourceRecipe& recipe : recipes) names.push_back(recipe.name);
  return names;
}

// What a run's completion message calls the built-in source `recipe_name`
// (UTF-8): taken from the sources a window makes of the recipes, so that it
// follows wherever their titles come from.
inline std::string ShownTitleOf(const std::string& recipe_name) {
  for (const KeywordSource& source : MakeKeywordSources(BuiltInRecipes())) {
    if (source.name == recipe_name) return source.ShownTitle();
  }
  return {};
}

inline const std::vector<FakeSite>& BuiltInSites() {
  static const std::vector<FakeSite> sites = SitesOf(RecipeNames(BuiltInRecipes()));
  return sites;
}

}  // namespace kestrilo::testing
