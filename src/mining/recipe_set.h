#pragma once

// The sources in effect: the built-in recipes, with shipped sets and recipe
// files laid over them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mining/recipe_file.h"
#include "mining/source_recipe.h"

namespace kestrilo {

// The recipe sets compiled into the program, recipes/NAME.toml each:
// "builtin" (the base of every set in effect), then the opt-in ones.
const std::vector<std::string>& ShippedSetNames();

// The text of the shipped set `set_name`; nothing for any other name.
std::optional<std::string_view> ShippedRecipeText(std::string_view set_name);

// The built-in recipes, in the order a run asks them.
const std::vector<SourceRecipe>& BuiltInRecipes();

// Lays the entries of `file` over `recipes`: an entry whose name is there
// already takes its place, one that only disables a name (or a whole recipe
// with enabled = false) takes that source out, and any other goes after the
// rest, in file order. Disabling a name that is not there is an error.
// The file's `use` is not looked at here: the loaders below lay those sets
// first.
std::optional<RecipeError> ApplyRecipeFile(std::vector<SourceRecipe>& recipes,
                                           const RecipeFile& file);

// $XDG_CONFIG_HOME/kestrilo/sources.toml, or ~/.config/kestrilo/sources.toml
// when XDG_CONFIG_HOME is unset or empty; empty when HOME is unset too. On
// Windows %APPDATA%\kestrilo\sources.toml.
std::string UserRecipeFilePath();

struct RecipeSet {
  std::vector<SourceRecipe> recipes;
  std::optional<RecipeError> error;
};

// The built-ins with the file at `path` (UTF-8) laid over them: first the
// shipped sets its `use` names, in order, then its own entries. A missing
// file is no fault unless `must_exist`. On any fault the set is the
// built-ins alone, and the error says what and where.
RecipeSet LoadRecipeSet(const std::string& path, bool must_exist);

// The built-ins with each of `layers` laid over them in turn, later ones
// replacing earlier sources of the same name. A layer is a shipped set's
// name, its sources' origins reading "NAME:LINE", or else the path of a
// recipe file, which must exist and is laid as LoadRecipeSet lays one.
// "builtin" changes nothing: the built-ins are there already. On any fault
// the set is the built-ins alone.
RecipeSet LoadRecipeLayers(const std::vector<std::string>& layers);

}  // namespace kestrilo
