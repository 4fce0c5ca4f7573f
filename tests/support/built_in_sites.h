#pragma once

// The fake sites of the built-in sources, in the order a run asks them.

#include <string>
#include <vector>

#include "mining/recipe_set.h"

#include "support/fake_sites.h"

namespace kestrilo::testing {

inline std::vector<std::string> RecipeNames(const std::vector<SourceRecipe>& recipes) {
  std::vector<std::string> names;
  for (const SourceRecipe& recipe : recipes) names.push_back(recipe.name);
  return names;
}

inline const std::vector<FakeSite>& BuiltInSites() {
  static const std::vector<FakeSite> sites = SitesOf(RecipeNames(BuiltInRecipes()));
  return sites;
}

}  // namespace kestrilo::testing
