#include "mining/recipe_set.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/user_folder.h"
#include "runtime/file_path.h"

namespace kestrilo {
namespace {

// Far beyond any hand-written file; a bigger one is not a recipe file.
constexpr std::size_t kMaxRecipeFileBytes = std::size_t{1} << 20;

constexpr std::string_view kBuiltInSet = "builtin";

// "builtin, current, extra": what a message offers instead of a wrong name.
std::string SetNameList() {
  std::string list;
  for (const std::string& name : ShippedSetNames()) list += (list.empty() ? "" : ", ") + name;
  return list;
}

std::optional<RecipeError> ApplyShippedSet(std::vector<SourceRecipe>& recipes,
                                           std::string_view set_name);

// Parses `utf8` as the recipe file `file_name` and lays its `use` sets, then
// its entries, over `recipes`, which an error leaves as they were. A shipped
// set needs no `use`, and refusing it there rules out sets that use each
// other in a circle.
std::optional<RecipeError> Layer(std::vector<SourceRecipe>& recipes, std::string_view utf8,
                                 const std::string& file_name, bool may_use) {
  const RecipeFile file = ParseRecipeFile(utf8, file_name);
  if (file.error) return file.error;
  if (!file.use.empty() && !may_use) {
    return RecipeError{file_name, file.use_line, "use", "", "is for recipe files, not for a set"};
  }
  // Every name is checked before any set is laid, so that a wrong name is
  // said even when a set named before it is at fault too.
  for (const std::string& name : file.use) {
    if (!ShippedRecipeText(name)) {
      return RecipeError{file_name, file.use_line, "use", "",
                         "'" + name + "' is not a recipe set (" + SetNameList() + ")"};
    }
  }
  std::vector<SourceRecipe> result = recipes;
  for (const std::string& name : file.use) {
    if (std::optional<RecipeError> error = ApplyShippedSet(result, name)) return error;
  }
  if (std::optional<RecipeError> error = ApplyRecipeFile(result, file)) return error;
  recipes = std::move(result);
  return std::nullopt;
}

// The content of the recipe file at `path`, or why it cannot be one; the
// content stays empty, without an error, when there is no such file.
std::optional<RecipeError> ReadRecipeFile(const std::string& path,
                                          std::optional<std::string>& content) {
  const auto fail = [&](const std::string& message) {
    return RecipeError{path, 0, "", "", message};
  };
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(PathFromUtf8(path), error);
  if (status.type() == std::filesystem::file_type::not_found) return std::nullopt;
  if (status.type() == std::filesystem::file_type::none) {
    return fail("cannot be read: " + error.message());
  }
  if (std::filesystem::is_directory(status)) return fail("is a folder, not a recipe file");
  // A FIFO or a device would block the start until somebody writes to it.
  if (!std::filesystem::is_regular_file(status)) {
    return fail("is not a regular file; not a recipe file");
  }
  if (std::filesystem::file_size(PathFromUtf8(path), error) > kMaxRecipeFileBytes) {
    return fail("is larger than 1 MiB; not a recipe file");
  }
  errno = 0;
  std::ifstream stream(PathFromUtf8(path), std::ios::binary);
  if (!stream) return fail(std::string("cannot be read: ") + std::strerror(errno));
  std::string text;
  // Read at most one byte past the limit: the file may grow meanwhile.
  text.resize(kMaxRecipeFileBytes + 1);
  stream.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (stream.bad()) return fail("cannot be read");
  text.resize(static_cast<std::size_t>(stream.gcount()));
  if (text.size() > kMaxRecipeFileBytes) return fail("is larger than 1 MiB; not a recipe file");
  content = std::move(text);
  return std::nullopt;
}

// `set_name` is one of ShippedSetNames(); its sources' origins read
// "NAME:LINE".
std::optional<RecipeError> ApplyShippedSet(std::vector<SourceRecipe>& recipes,
                                           std::string_view set_name) {
  // The built-ins are the base already; laid again they would undo what
  // an earlier layer replaced.
  if (set_name == kBuiltInSet) return std::nullopt;
  return Layer(recipes, ShippedRecipeText(set_name).value_or(""), std::string(set_name), false);
}

}  // namespace

const std::vector<SourceRecipe>& BuiltInRecipes() {
  static const std::vector<SourceRecipe> recipes = [] {
    std::vector<SourceRecipe> parsed;
    if (const std::optional<RecipeError> error =
            Layer(parsed, ShippedRecipeText(kBuiltInSet).value_or(""), "built-in", false)) {
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
  const std::string folder = UserConfigFolder();
  if (folder.empty()) return {};
#ifdef _WIN32
  return folder + "\\kestrilo\\sources.toml";
#else
  return folder + "/kestrilo/sources.toml";
#endif
}

RecipeSet LoadRecipeSet(const std::string& path, bool must_exist) {
  RecipeSet set{BuiltInRecipes(), std::nullopt};
  if (path.empty()) return set;
  std::optional<std::string> content;
  if ((set.error = ReadRecipeFile(path, content))) return set;
  if (!content) {
    if (must_exist)
      set.error = RecipeError{path, 0, "", "", "cannot be read: there is no such file"};
    return set;
  }
  std::vector<SourceRecipe> recipes = set.recipes;
  if ((set.error = Layer(recipes, *content, path, true))) return set;
  set.recipes = std::move(recipes);
  return set;
}

RecipeSet LoadRecipeLayers(const std::vector<std::string>& layers) {
  RecipeSet set{BuiltInRecipes(), std::nullopt};
  std::vector<SourceRecipe> recipes = set.recipes;
  for (const std::string& layer : layers) {
    // A set's name wins over a file of that name in the working folder;
    // "./current" names the file.
    if (ShippedRecipeText(layer)) {
      set.error = ApplyShippedSet(recipes, layer);
    } else {
      std::optional<std::string> content;
      set.error = ReadRecipeFile(layer, content);
      if (!set.error && !content) {
        set.error =
            RecipeError{layer, 0, "", "",
                        "is neither a recipe set (" + SetNameList() + ") nor a readable file"};
      }
      if (!set.error) set.error = Layer(recipes, *content, layer, true);
    }
    if (set.error) return set;
  }
  set.recipes = std::move(recipes);
  return set;
}

}  // namespace kestrilo
