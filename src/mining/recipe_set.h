#pragma once

// The sources in effect: the built-in recipes, with the user's recipe file
// laid over them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mining/recipe_file.h"
#include "mining/source_recipe.h"

namespace kestrilo {

// The text of the recipe file compiled into the program.
std::string_view BuiltInRecipeText();

// The built-in recipes, in the order a run asks them.
const std::vector<SourceRecipe>& BuiltInRecipes();

// Lays the entries of `file` over `recipes`: an entry whose name is there
// already takes its place, one that only disables a name (or a whole recipe
// with enabled = false) takes that source out, and any other goes after the
// rest, in file order. Disabling a name that is not there is an error.
std::optional<RecipeError> ApplyRecipeFile(std::vector<SourceRecipe>& recipes,
                                           const RecipeFile& file);

// $XDG_CONFIG_HOME/kestrilo/sources.toml, or ~/.config/kestrilo/sources.toml
// when XDG_CONFIG_HOME is unset or empty; empty when HOME is unset too.
std::string UserRecipeFilePath();

struct RecipeSet {
  std::vector<SourceRecipe> recipes;
  std::optional<RecipeError> error;
};

// The built-ins with the file at `path` (UTF-8) laid over them. A missing
// file is no fault unless `must_exist`. On any fault the set is the
// built-ins alone, and the error says what and where.
RecipeSet LoadRecipeSet(const std::string& path, bool must_exist);

}  // namespace kestrilo
