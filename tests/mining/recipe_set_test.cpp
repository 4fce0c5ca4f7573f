#include "mining/recipe_set.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/built_in_sites.h"
#include "support/child_process.h"
#include "support/named_rows.h"
#include "support/whole_match.h"

namespace kestrilo {
namespace {

using ::testing::ElementsAreArray;
using testing::WholeMatch;
using testing::RecipeNames;

const std::vector<std::string> kBuiltInNames = {"baidu suggestion",  "sogou suggestion",
                                                "chinaz index",      "5guanjianci",
                                                "taobao suggestion", "baidu mobile"};

std::vector<std::string> Plus(std::vector<std::string> names,
                              const std::vector<std::string>& more) {
  names.insert(names.end(), more.begin(), more.end());
  return names;
}

// Each source as "NAME@ORIGIN", the origin without its line and a file
// without its folder, so that rows need not follow the shipped files' lines.
std::vector<std::string> Provenance(const std::vector<SourceRecipe>& recipes) {
  std::vector<std::string> out;
  for (const SourceRecipe& recipe : recipes) {
    out.push_back(recipe.name + "@" + std::filesystem::path(recipe.file).filename().string());
  }
  return out;
}

// --- the shipped sets --------------------------------------------------------

struct ShippedSetRow {
  const char* name;
  const char* set;
  std::vector<std::string> names;  // in effect with the set over the built-ins
};

class ShippedSetTest : public ::testing::TestWithParam<ShippedSetRow> {};

// A shipped set with a fault would only be found by a user who turns it on.
TEST_P(ShippedSetTest, LoadsOverTheBuiltInsAsTheFileOfTheTreeSaysWithItsOwnOrigins) {
  const ShippedSetRow& row = GetParam();
  std::ifstream file(std::string(KESTRILO_RECIPE_DIR "/") + row.set + ".toml", std::ios::binary);
  std::ostringstream tree;
  tree << file.rdbuf();

  const RecipeSet loaded = LoadRecipeLayers({row.set});

  EXPECT_EQ(ShippedRecipeText(row.set), tree.str()) << "compiled in as the file's bytes";
  ASSERT_FALSE(loaded.error.has_value()) << loaded.error->Describe();
  EXPECT_THAT(RecipeNames(loaded.recipes), ElementsAreArray(row.names));
  for (const SourceRecipe& recipe : loaded.recipes) {
    EXPECT_THAT(recipe.Origin(), WholeMatch("built-in|" + std::string(row.set) + ":[0-9]+"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    RecipeSets, ShippedSetTest,
    ::testing::Values(ShippedSetRow{"Builtin", "builtin", kBuiltInNames},
                      ShippedSetRow{"Current", "current", kBuiltInNames},
                      ShippedSetRow{
                          "Extra", "extra",
                          Plus(kBuiltInNames, {"baidu sugrec", "360 suggestion", "sogou html5",
                                               "shenma suggestion", "bing suggestion",
                                               "bilibili suggestion", "zhihu suggestion"})}),
    RowName());

TEST(RecipeSetNamesTest, AreTheShippedFilesWithTheBuiltInsFirst) {
  EXPECT_THAT(ShippedSetNames(), ElementsAreArray({"builtin", "current", "extra"}));
  EXPECT_FALSE(ShippedRecipeText("built-in").has_value());
}

// --- layering sets and files ---------------------------------------------------

// A complete source.
std::string Recipe(const std::string& name) {
  return "[[source]]\nname = \"" + name +
         "\"\nengine = \"inet\"\naddress = \"https://a.example/q?w={seed}\"\n"
         "seed = \"uri\"\nreply = \"utf-8\"\n  [[source.cut]]\n  items = ['<b>', '</b>']\n";
}

class RecipeFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("kestrilo_sets_" + std::to_string(testing::CurrentProcessId()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // `text` with every "@/" standing for the folder.
  std::string InFolder(std::string text) const {
    for (std::size_t at; (at = text.find("@/")) != std::string::npos;) {
      text.replace(at, 2, folder_.string() + "/");
    }
    return text;
  }
  // The layers in the folder, its mine.toml holding `toml`.
  std::vector<std::string> Layers(std::vector<std::string> layers, const std::string& toml) const {
    std::ofstream(folder_ / "mine.toml") << toml;
    for (std::string& layer : layers) layer = InFolder(layer);
    return layers;
  }

  std::filesystem::path folder_;
};

struct LayersRow {
  const char* name;
  std::vector<std::string> layers;  // "@/mine.toml" holds `toml`
  std::string toml;
  std::vector<std::string> provenance;
  bool as_user_file = false;  // read as the user's sources.toml instead
};

class RecipeLayersTest : public RecipeFolder, public ::testing::WithParamInterface<LayersRow> {};

TEST_P(RecipeLayersTest, LaterLayersReplaceEarlierSourcesOfTheSameName) {
  const LayersRow& row = GetParam();
  const std::vector<std::string> layers = Layers(row.layers, row.toml);

  const RecipeSet set =
      row.as_user_file ? LoadRecipeSet(layers.front(), false) : LoadRecipeLayers(layers);

  ASSERT_FALSE(set.error.has_value()) << set.error->Describe();
  EXPECT_THAT(Provenance(set.recipes), ElementsAreArray(row.provenance));
}

const std::string kReplacesBaiduAndAddsZeta = Recipe("baidu suggestion") + Recipe("zeta");

INSTANTIATE_TEST_SUITE_P(
    RecipeSets, RecipeLayersTest,
    ::testing::Values(
        LayersRow{"AFileOverASet",
                  {"current", "@/mine.toml"},
                  kReplacesBaiduAndAddsZeta,
                  {"baidu suggestion@mine.toml", "sogou suggestion@built-in",
                   "chinaz index@current", "5guanjianci@built-in", "taobao suggestion@built-in",
                   "baidu mobile@built-in", "zeta@mine.toml"}},
        LayersRow{"ASetOverAFile",
                  {"@/mine.toml", "current"},
                  kReplacesBaiduAndAddsZeta,
                  {"baidu suggestion@current", "sogou suggestion@built-in", "chinaz index@current",
                   "5guanjianci@built-in", "taobao suggestion@built-in", "baidu mobile@built-in",
                   "zeta@mine.toml"}},
        LayersRow{"BuiltinTakesBackNothing",
                  {"current", "builtin"},
                  "",
                  {"baidu suggestion@current", "sogou suggestion@built-in", "chinaz index@current",
                   "5guanjianci@built-in", "taobao suggestion@built-in", "baidu mobile@built-in"}},
        LayersRow{"UseLaysItsSetsUnderTheFilesEntries",
                  {"@/mine.toml"},
                  "use = [\"current\"]\n" + Recipe("chinaz index") +
                      "[[source]]\nname = \"baidu mobile\"\nenabled = false\n",
                  {"baidu suggestion@current", "sogou suggestion@built-in",
                   "chinaz index@mine.toml", "5guanjianci@built-in", "taobao suggestion@built-in"}},
        LayersRow{"UseInTheUsersFile",
                  {"@/mine.toml"},
                  "use = [\"current\"]\n",
                  {"baidu suggestion@current", "sogou suggestion@built-in", "chinaz index@current",
                   "5guanjianci@built-in", "taobao suggestion@built-in", "baidu mobile@built-in"},
                  true}),
    RowName());

using RecipeOriginTest = RecipeFolder;

TEST_F(RecipeOriginTest, GivesTheSetOrFileAndTheLine) {
  const RecipeSet set = LoadRecipeLayers(Layers({"current", "@/mine.toml"}, Recipe("zeta")));

  ASSERT_FALSE(set.error.has_value()) << set.error->Describe();
  EXPECT_THAT(set.recipes.front().Origin(), WholeMatch("current:[1-9][0-9]*"));
  EXPECT_EQ(set.recipes.back().Origin(), InFolder("@/mine.toml:1"));
}

struct LayerErrorRow {
  const char* name;
  std::vector<std::string> layers;
  std::string toml;
  std::string described;  // what Describe() says, "@/" being the folder
  bool as_user_file = false;
};

class RecipeLayerErrorTest : public RecipeFolder,
                             public ::testing::WithParamInterface<LayerErrorRow> {};

TEST_P(RecipeLayerErrorTest, SaysWhereAndLeavesTheBuiltInsAlone) {
  const LayerErrorRow& row = GetParam();
  const std::vector<std::string> layers = Layers(row.layers, row.toml);

  const RecipeSet set =
      row.as_user_file ? LoadRecipeSet(layers.front(), false) : LoadRecipeLayers(layers);

  ASSERT_TRUE(set.error.has_value());
  EXPECT_EQ(set.error->Describe(), InFolder(row.described));
  EXPECT_EQ(Provenance(set.recipes), Provenance(BuiltInRecipes()));
}

INSTANTIATE_TEST_SUITE_P(
    RecipeSets, RecipeLayerErrorTest,
    ::testing::Values(
        LayerErrorRow{"AnUnknownNameInUse",
                      {"current", "@/mine.toml"},
                      "# mine\nuse = [\"current\", \"extar\"]\n" + Recipe("zeta"),
                      "@/mine.toml:2: key \"use\": 'extar' is not a recipe set "
                      "(builtin, current, extra)"},
        LayerErrorRow{"AnUnknownNameInTheUsersUse",
                      {"@/mine.toml"},
                      "use = [\"Current\"]\n",
                      "@/mine.toml:1: key \"use\": 'Current' is not a recipe set "
                      "(builtin, current, extra)",
                      true},
        LayerErrorRow{"NeitherASetNorAFile",
                      {"current", "@/extar"},
                      "",
                      "@/extar: is neither a recipe set (builtin, current, extra) nor a readable "
                      "file"},
        LayerErrorRow{"ABadFileAfterAGoodSet",
                      {"current", "@/mine.toml"},
                      "[[source]]\nname = \"nosuch\"\nenabled = false\n",
                      "@/mine.toml:1: source \"nosuch\", key \"name\": there is no source of that "
                      "name to disable"}),
    RowName());

}  // namespace
}  // namespace kestrilo
