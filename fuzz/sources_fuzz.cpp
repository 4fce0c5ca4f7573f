// The built-in sources cutting keywords out of whatever the sites send back.

#include <vector>

#include "mining/recipe_set.h"
#include "mining/recipe_source.h"
#include "runtime/gbk.h"

#include "source_harness.h"

using namespace kestrilo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::kMaxInput) return -1;
  const std::vector<SourceRecipe>& recipes = BuiltInRecipes();
  static const std::vector<KeywordSource> sources = MakeKeywordSources(recipes, 0);

  fuzz::FuzzInput in(data, size);
  fuzz::FuzzWindow window;
  window.KeywordBox().SetContent("手机"_gbk);
  // The first source is chosen, so each one sees the input's first texts.
  const std::size_t first = in.Byte() % sources.size();
  for (std::size_t n = 0; n < sources.size(); ++n) {
    const std::size_t source = (first + n) % sources.size();
    fuzz::CheckSource(recipes[source], sources[source], window, in);
  }
  return 0;
}
