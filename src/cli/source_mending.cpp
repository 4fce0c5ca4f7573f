#include "cli/source_mending.h"

#include <algorithm>
#include <set>

#include "mining/cut_induction.h"
#include "mining/recipe_file.h"
#include "platform/console.h"
#include "runtime/file_writer.h"
#include "runtime/gbk.h"
#include "text/url_encoding.h"

namespace kestrilo {
namespace {

// What the other sources appended, each keyword once, without the seed.
std::vector<Text> KnownKeywords(const std::vector<CheckedSource>& checked,
                                const CheckedSource& changed, const Text& seed) {
  std::vector<Text> known;
  std::set<Text> seen{seed, Text{}};
  for (const CheckedSource& other : checked) {
    if (&other == &changed || other.state.keywords == 0) continue;
    for (std::size_t i = 0; i < other.state.cuts.size(); ++i) {
      const bool unescape = i < other.recipe->cuts.size() && other.recipe->cuts[i].unescape;
      for (const Text& taken : other.state.cuts[i]) {
        Text keyword = unescape ? UnescapeUnicode(taken) : taken;
        if (seen.insert(keyword).second) known.push_back(std::move(keyword));
      }
    }
  }
  return known;
}

std::string Joined(const std::vector<Text>& keywords) {
  std::string joined;
  for (const Text& keyword : keywords)
    joined += (joined.empty() ? "" : ", ") + Utf8FromGbk(keyword);
  return joined;
}

}  // namespace

bool SuggestMendedRecipes(const std::vector<CheckedSource>& checked, const Text& seed,
                          const std::string& file, std::FILE* out, std::string& error) {
  std::vector<CommentedRecipe> mended;
  std::size_t width = 0;
  for (const CheckedSource& source : checked) width = std::max(width, Columns(source.recipe->name));
  for (const CheckedSource& source : checked) {
    if (source.verdict != SourceVerdict::kNoKeywords) continue;
    const SourceRecipe& recipe = *source.recipe;
    std::string line = Padded(recipe.name, width) + "  ";
    // Without a count no page is asked, so cuts for the pages could never be
    // tried: the count markers are the ones to mend, by hand.
    if (recipe.pages && source.state.first_cut_reply.empty()) {
      line +=
          "no suggestion  the count page no longer gives a page count (pages.count cuts "
          "nothing)";
    } else {
      const CutSuggestion suggestion =
          SuggestCut(source.state.first_cut_reply, KnownKeywords(checked, source, seed));
      if (!suggestion.cut) {
        line += "no suggestion  " + suggestion.reason;
      } else {
        line += "suggested  " + std::to_string(suggestion.takes.size()) + " keywords";
        CommentedRecipe entry{recipe, {}};
        entry.recipe.cuts = {*suggestion.cut};
        entry.comment = {"Mended by kestrilo-cli --check --suggest for the seed " +
                             Utf8FromGbk(seed) + ": " + std::to_string(suggestion.takes.size()) +
                             " keywords taken.",
                         "Induced from what other sources found in its reply: " +
                             Joined(suggestion.induced_from) + "."};
        mended.push_back(std::move(entry));
      }
    }
    WriteText(out, line + "\n");
  }
  std::string text =
      "# Recipes mended by kestrilo-cli --check --suggest. Read them, then try them:\n"
      "#   kestrilo-cli --sources " +
      file + " --check\n# Each replaces the source of its name.\n";
  if (mended.empty()) text += "# No source could be mended.\n";
  text += mended.empty() ? "" : "\n" + RecipeFileText(mended);
  const Bytes bytes(text.begin(), text.end());
  if (!WriteToPath(file, std::span<const Bytes>(&bytes, 1), &error)) return false;
  return std::fflush(out) == 0;
}

}  // namespace kestrilo
