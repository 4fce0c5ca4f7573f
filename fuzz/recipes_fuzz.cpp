// Recipe files as a user might write them, or worse: the first text of the
// input is a recipe file, and the sources it defines then run over the
// texts that follow. Parsing never crashes, and whatever it accepts runs
// within the page cap.

#include <string_view>
#include <vector>

#include "mining/recipe_file.h"
#include "mining/recipe_set.h"
#include "mining/recipe_source.h"
#include "runtime/gbk.h"

#include "source_harness.h"

using namespace kestrilo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::kMaxInput) return -1;

  fuzz::FuzzInput in(data, size);
  const std::string_view toml = in.NextText();
  const RecipeFile file = ParseRecipeFile(toml, "fuzz.toml");
  std::vector<SourceRecipe> recipes;
  // The shipped sets a file uses are the set loader's to find; a file that
  // names some says where.
  FUZZ_CHECK(file.use.empty() || file.use_line > 0 || file.error);
  if (ApplyRecipeFile(recipes, file)) {
    FUZZ_CHECK(file.error || !file.entries.empty());
    return 0;
  }
  for (const SourceRecipe& recipe : recipes) {
    FUZZ_CHECK(recipe.enabled && !recipe.cuts.empty());
    // Every seed must ask a page of its own.
    FUZZ_CHECK(recipe.address.Has(AddressTemplate::Slot::kSeed));
    FUZZ_CHECK(!recipe.pages || (recipe.pages->max >= 1 && recipe.pages->max <= kMaxPages));
  }
  fuzz::FuzzWindow window;
  window.KeywordBox().SetContent("手机"_gbk);
  for (const SourceRecipe& recipe : recipes) {
    fuzz::CheckSource(recipe, SourceFromRecipe(recipe, 0), window, in);
  }
  return 0;
}
