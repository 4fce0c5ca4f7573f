#include "mining/recipe_set.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace kestrilo {
namespace {

// Far beyond any hand-written file; a bigger one is not a recipe file.
constexpr std::size_t kMaxRecipeFileBytes = std::size_t{1} << 20;

}  // namespace

const std::vector<SourceRecipe>& BuiltInRecipes() {
  static const std::vector<SourceRecipe> recipes = [] {
    RecipeFile file = ParseRecipeFile(BuiltInRecipeText(), "built-in");
    std::vector<SourceRecipe> parsed;
    if (const std::optional<RecipeError> error =
            file.error ? file.error : ApplyRecipeFile(parsed, file)) {
      // The file is part of the build; tests read it, so this never ships.
      std::fprintf(stderr, "kestrilo: the built-in recipes are broken: %s\n",
                   error->Describe().c_str());
      std::abort();
    }
    for (SourceRecipe& recipe : parsed) {
      recipe.file = "built-in";
      recipe.line = 0;
    }
    return parsed;
  }();
  return recipes;
}

std::optional<RecipeError> ApplyRecipeFile(std::vector<SourceRecipe>& recipes,
                                           const RecipeFile& file) {
  if (file.error) return file.error;
  std::vector<SourceRecipe> result = recipes;
  for (const RecipeEntry& entry : file.entries) {
    const SourceRecipe& recipe = entry.recipe;
    auto same = std::find_if(result.begin(), result.end(),
                             [&](const SourceRecipe& r) { return r.name == recipe.name; });
    if (same == result.end()) {
      if (entry.only_disables) {
        return RecipeError{recipe.file, recipe.line, "name", recipe.name,
                           "there is no source of that name to disable"};
      }
      if (recipe.enabled) result.push_back(recipe);
    } else if (recipe.enabled) {
      *same = recipe;
    } else {
      result.erase(same);
    }
  }
  recipes = std::move(result);
  return std::nullopt;
}

std::string UserRecipeFilePath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config && *config) {
    folder = config;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    folder = std::string(home) + "/.config";
  } else {
    return {};
  }
  return folder + "/kestrilo/sources.toml";
}

RecipeSet LoadRecipeSet(const std::string& path, bool must_exist) {
  RecipeSet set{BuiltInRecipes(), std::nullopt};
  if (path.empty()) return set;
  const auto fail = [&](const std::string& message) {
    set.error = RecipeError{path, 0, "", "", message};
    return set;
  };
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) {
    return must_exist ? fail("cannot be read: there is no such file") : set;
  }
  if (status.type() == std::filesystem::file_type::none) {
    return fail("cannot be read: " + error.message());
  }
  if (std::filesystem::is_directory(status)) return fail("is a folder, not a recipe file");
  // A FIFO or a device would block the start until somebody writes to it.
  if (!std::filesystem::is_regular_file(status)) {
    return fail("is not a regular file; not a recipe file");
  }
  if (std::filesystem::file_size(path, error) > kMaxRecipeFileBytes) {
    return fail("is larger than 1 MiB; not a recipe file");
  }
  errno = 0;
  std::ifstream stream(path, std::ios::binary);
  if (!stream) return fail(std::string("cannot be read: ") + std::strerror(errno));
  std::string content;
  // Read at most one byte past the limit: the file may grow meanwhile.
  content.resize(kMaxRecipeFileBytes + 1);
  stream.read(content.data(), static_cast<std::streamsize>(content.size()));
  if (stream.bad()) return fail("cannot be read");
  content.resize(static_cast<std::size_t>(stream.gcount()));
  if (content.size() > kMaxRecipeFileBytes) return fail("is larger than 1 MiB; not a recipe file");

  std::vector<SourceRecipe> recipes = set.recipes;
  if (std::optional<RecipeError> parsed =
          ApplyRecipeFile(recipes, ParseRecipeFile(content, path))) {
    set.error = std::move(parsed);
    return set;
  }
  set.recipes = std::move(recipes);
  return set;
}

}  // namespace kestrilo
