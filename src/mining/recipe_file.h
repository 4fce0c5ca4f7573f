#pragma once

// Reading recipe files: TOML, UTF-8, an array of [[source]] tables. The
// format is described in docs/recipes.md. Markers and addresses become GBK
// here; nothing else in the program sees TOML.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mining/source_recipe.h"

namespace kestrilo {

// What is wrong with a recipe file, and where.
struct RecipeError {
  std::string file;
  int line = 0;        // 1-based; 0 when the file could not be read at all
  std::string key;     // e.g. "cut.list"; empty for a syntax error
  std::string source;  // the entry's name, when it has one
  std::string message;

  // "FILE:LINE: source "NAME", key "KEY": MESSAGE"
  std::string Describe() const;
};

// One [[source]] table: a whole recipe, or only a name with enabled = false,
// which leaves a source of that name out.
struct RecipeEntry {
  SourceRecipe recipe;
  bool only_disables = false;
};

struct RecipeFile {
  std::vector<RecipeEntry> entries;  // empty when there is an error
  // The shipped sets named by a top-level `use = [...]`, in order, to lay
  // under the entries; which names exist is the set loader's to say.
  std::vector<std::string> use;
  int use_line = 0;
  std::optional<RecipeError> error;
};

// A recipe file holding `recipes` (UTF-8 TOML, readable by
// ParseRecipeFile), each entry after its comment lines ("# " added).
struct CommentedRecipe {
  SourceRecipe recipe;
  std::vector<std::string> comment;  // UTF-8
};
std::string RecipeFileText(const std::vector<CommentedRecipe>& recipes);

// The steps written back as a path.
std::string JsonPathText(const std::vector<JsonStep>& steps);

// "g[].q" as steps; nothing when it is no path (an error says why).
std::optional<std::vector<JsonStep>> ParseJsonPath(std::string_view path, std::string& error);

// Parses `utf8`, the content of `file_name` (used in origins and errors).
// Stops at the first fault.
RecipeFile ParseRecipeFile(std::string_view utf8, const std::string& file_name);

}  // namespace kestrilo
