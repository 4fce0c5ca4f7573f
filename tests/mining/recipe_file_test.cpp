#include "mining/recipe_file.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mining/recipe_set.h"

#include "support/built_in_sites.h"
#include "support/child_process.h"
#include "support/named_rows.h"

namespace kestrilo {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::RecipeNames;

// A complete source; rows change one line of it.
std::string Recipe(const std::string& name = "new", const std::string& extra = "") {
  return "[[source]]\nname = \"" + name +
         "\"\nengine = \"inet\"\naddress = \"https://a.example/q?w={seed}\"\n"
         "seed = \"uri\"\nreply = \"utf-8\"\n" +
         extra + "  [[source.cut]]\n  items = ['<b>', '</b>']\n";
}

TEST(BuiltInRecipesTest, AreTheSixSourcesInRunOrder) {
  EXPECT_THAT(RecipeNames(BuiltInRecipes()),
              ElementsAre("baidu suggestion", "sogou suggestion", "chinaz index", "5guanjianci",
                          "taobao suggestion", "baidu mobile"));
}

struct BadFileRow {
  const char* name;
  std::string toml;
  int line;
  const char* key;
  const char* message;
};

class BadRecipeFileTest : public ::testing::TestWithParam<BadFileRow> {};

TEST_P(BadRecipeFileTest, IsRefusedWithItsLineAndKey) {
  const BadFileRow& row = GetParam();
  std::vector<SourceRecipe> recipes = BuiltInRecipes();

  const std::optional<RecipeError> error =
      ApplyRecipeFile(recipes, ParseRecipeFile(row.toml, "my.toml"));

  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->line, row.line);
  EXPECT_EQ(error->key, row.key);
  EXPECT_THAT(error->Describe(), HasSubstr(row.message));
  EXPECT_THAT(error->Describe(), HasSubstr("my.toml:" + std::to_string(row.line) + ": "));
  EXPECT_EQ(RecipeNames(recipes), RecipeNames(BuiltInRecipes()))
      << "a refused file changes nothing";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BadRecipeFileTest,
    ::testing::Values(
        BadFileRow{"SyntaxError", "[[source]\nname = \"x\"\n", 1, "", "expected ']'"},
        BadFileRow{"UnknownTopLevelKey", "sources = 1\n", 1, "sources", "unknown key"},
        BadFileRow{"MisspeltOptionalKey", Recipe("new", "pause = 50\n"), 7, "pause", "unknown key"},
        BadFileRow{"UnknownCutKey", Recipe() + "  unscape = true\n", 9, "cut.unscape",
                   "unknown key"},
        BadFileRow{"MissingEngine", "[[source]]\nname = \"x\"\n", 1, "engine", "missing"},
        BadFileRow{"OnlyANameWithoutDisabling", "[[source]]\nname = \"x\"\nenabled = true\n", 1,
                   "engine", "missing"},
        BadFileRow{"NoCut",
                   "[[source]]\nname = \"x\"\nengine = \"web\"\naddress = \"http://a/{seed}\"\n"
                   "seed = \"gbk\"\nreply = \"gbk\"\n",
                   1, "cut", "missing"},
        BadFileRow{"PauseAsText", Recipe("new", "pause_ms = \"50\"\n"), 7, "pause_ms",
                   "is a string; expected an integer"},
        BadFileRow{"EngineNotKnown", "[[source]]\nname = \"x\"\nengine = \"curl\"\n", 3, "engine",
                   "expected one of \"web\", \"inet\""},
        BadFileRow{"EmptyLeftMarker",
                   "[[source]]\nname = \"baidu suggestion\"\nengine = \"web\"\n"
                   "address = \"http://a/{seed}\"\nseed = \"gbk\"\nreply = \"gbk\"\n"
                   "[[source.cut]]\nlist = ['', '\"]']\nsplit = ','\n",
                   8, "cut.list", "the left marker is empty"},
        BadFileRow{"EmptySplit", Recipe() + "[[source.cut]]\nlist = ['[', ']']\nsplit = ''\n", 11,
                   "cut.split", "is empty"},
        BadFileRow{"OneMarkerOnly",
                   Recipe("new").replace(Recipe("new").find("['<b>'"), 15, "['<b>']"), 8,
                   "cut.items", "two strings"},
        BadFileRow{"ListAndItems", Recipe() + "  list = ['[', ']']\n  split = ','\n", 7, "cut",
                   "exactly one of"},
        BadFileRow{"MarkerGbkCannotHold",
                   Recipe() + "[[source.cut]]\nitems = ['\xF0\x9F\x98\x80', 'b']\n", 10,
                   "cut.items", "GBK cannot represent"},
        BadFileRow{"UnknownPlaceholder",
                   "[[source]]\nname = \"x\"\nengine = \"web\"\naddress = \"http://a/{word}\"\n", 4,
                   "address", "has {word}"},
        BadFileRow{
            "PageInTheFirstAddress",
            "[[source]]\nname = \"x\"\nengine = \"web\"\naddress = \"http://a/{seed}/{page}\"\n", 4,
            "address", "has {page}"},
        BadFileRow{"NotAWebAddress",
                   "[[source]]\nname = \"x\"\nengine = \"web\"\naddress = \"file:///etc/passwd\"\n",
                   4, "address", "http:// or https://"},
        BadFileRow{"PagesWithoutPage",
                   Recipe("new", "pages = { count = ['a', 'b'], address = \"http://a/{seed}\" }\n"),
                   7, "pages.address", "has no {page}"},
        BadFileRow{"PagesPastTheCap",
                   Recipe("new",
                          "pages = { count = ['a', 'b'], address = \"http://a/{seed}/{page}\", "
                          "max = 501 }\n"),
                   7, "pages.max", "expected 1 to 500"},
        BadFileRow{"AddressWithoutSeed",
                   "[[source]]\nname = \"x\"\nengine = \"web\"\naddress = \"http://a/q\"\n", 4,
                   "address", "has no {seed}"},
        BadFileRow{"PagesAddressWithoutSeed",
                   Recipe("new", "pages = { count = ['a', 'b'], address = \"http://a/{page}\" }\n"),
                   7, "pages.address", "has no {seed}"},
        BadFileRow{"SeedInTheHost",
                   "[[source]]\nname = \"x\"\nengine = \"web\"\n"
                   "address = \"https://{seed}.example.com/\"\n",
                   4, "address", "has {seed} before the path"},
        BadFileRow{"SeedAsTheUserBeforeTheHost",
                   "[[source]]\nname = \"x\"\nengine = \"web\"\n"
                   "address = \"http://{seed}@a.example/\"\n",
                   4, "address", "before the path"},
        BadFileRow{
            "PageInThePagesHost",
            Recipe("new",
                   "pages = { count = ['a', 'b'], address = \"http://a{page}.cn/{seed}\" }\n"),
            7, "pages.address", "has {page} before the path"},
        BadFileRow{"NameWithAnEscape", Recipe("x\\u001b[31mred"), 2, "name",
                   "holds a control character"},
        BadFileRow{"NameWithALineBreak", "[[source]]\nname = \"a\\nb\"\nenabled = false\n", 2,
                   "name", "holds a control character"},
        BadFileRow{"JsonPathThatIsNone", Recipe() + "[[source.cut]]\njson = 'g[x]'\n", 10,
                   "cut.json", "[N] wants a number"},
        BadFileRow{"JsonWithUnescape", Recipe() + "[[source.cut]]\njson = 'g'\nunescape = true\n",
                   11, "cut.unescape", "does not go with json"},
        BadFileRow{"HeaderWithoutAColon", Recipe("new", "headers = ['Referer']\n"), 7, "headers",
                   "is no \"Name: value\" line"},
        BadFileRow{"HeaderWithALineBreak", Recipe("new", "headers = [\"A: b\\r\\nHost: c\"]\n"), 7,
                   "headers", "holds a line break"},
        BadFileRow{"RemoveThatIsNoList", Recipe() + "  remove = '<em>'\n", 9, "cut.remove",
                   "an array of strings"},
        BadFileRow{"TitleWithAControlCharacter", Recipe("new", "title = \"a\\tb\"\n"), 7, "title",
                   "holds a control character"},
        BadFileRow{"SameNameTwice", Recipe() + Recipe(), 9, "name", "earlier entry"},
        BadFileRow{"DisablingASourceThatIsNotThere",
                   "[[source]]\nname = \"bing\"\nenabled = false\n", 1, "name",
                   "no source of that name"}),
    RowName());

// Written recipes read back as they were: the shipped sets hold every kind
// of key, markers full of quotes and backslashes among them.
class RecipeFileTextTest : public ::testing::TestWithParam<const char*> {};

TEST_P(RecipeFileTextTest, ReadsBackAsTheRecipesItWasWrittenFrom) {
  std::vector<CommentedRecipe> written;
  const RecipeFile file = ParseRecipeFile(*ShippedRecipeText(GetParam()), GetParam());
  ASSERT_FALSE(file.error) << file.error->Describe();
  for (const RecipeEntry& entry : file.entries) written.push_back({entry.recipe, {"a \"note\""}});

  const RecipeFile read = ParseRecipeFile(RecipeFileText(written), "written.toml");

  ASSERT_FALSE(read.error) << read.error->Describe() << "\n" << RecipeFileText(written);
  ASSERT_EQ(read.entries.size(), written.size());
  for (std::size_t i = 0; i < written.size(); ++i) {
    const SourceRecipe& a = written[i].recipe;
    const SourceRecipe& b = read.entries[i].recipe;
    EXPECT_EQ(b.name, a.name);
    EXPECT_EQ(b.title, a.title);
    EXPECT_EQ(b.address.Fill("k", 2), a.address.Fill("k", 2));
    EXPECT_EQ(b.headers, a.headers);
    EXPECT_EQ(b.pause_ms, a.pause_ms);
    EXPECT_EQ(b.pages.has_value(), a.pages.has_value());
    if (a.pages && b.pages) {
      EXPECT_EQ(b.pages->address.Fill("k", 2), a.pages->address.Fill("k", 2));
      EXPECT_EQ(b.pages->count.left, a.pages->count.left);
    }
    ASSERT_EQ(b.cuts.size(), a.cuts.size()) << a.name;
    for (std::size_t c = 0; c < a.cuts.size(); ++c) {
      EXPECT_EQ(b.cuts[c].markers.left, a.cuts[c].markers.left) << a.name;
      EXPECT_EQ(b.cuts[c].markers.right, a.cuts[c].markers.right) << a.name;
      EXPECT_EQ(b.cuts[c].split, a.cuts[c].split) << a.name;
      EXPECT_EQ(b.cuts[c].json, a.cuts[c].json) << a.name;
      EXPECT_EQ(b.cuts[c].unescape, a.cuts[c].unescape) << a.name;
      EXPECT_EQ(b.cuts[c].remove, a.cuts[c].remove) << a.name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ShippedSets, RecipeFileTextTest,
                         ::testing::Values("builtin", "current", "extra"));

TEST(RecipeOverlayTest, ReplacesInPlaceLeavesOutAndAddsAfterInFileOrder) {
  std::vector<SourceRecipe> recipes = BuiltInRecipes();
  const std::string toml =
      Recipe("zeta") + "[[source]]\nname = \"baidu mobile\"\nenabled = false\n" +
      Recipe("sogou suggestion") + Recipe("alpha") + Recipe("off", "enabled = false\n");

  ASSERT_FALSE(ApplyRecipeFile(recipes, ParseRecipeFile(toml, "mine.toml")));

  EXPECT_THAT(RecipeNames(recipes),
              ElementsAre("baidu suggestion", "sogou suggestion", "chinaz index", "5guanjianci",
                          "taobao suggestion", "zeta", "alpha"));
  EXPECT_EQ(recipes[0].Origin(), "built-in");
  EXPECT_EQ(recipes[1].Origin(), "mine.toml:12");
  EXPECT_EQ(recipes[1].engine, RecipeEngine::kInet);
  EXPECT_EQ(recipes[6].Origin(), "mine.toml:20");
}

TEST(RecipeSetTest, AMissingUserFileIsNoFaultButAMissingGivenFileIs) {
  const std::string missing =
      (std::filesystem::temp_directory_path() / "kestrilo-no-such-dir" / "sources.toml").string();

  const RecipeSet user = LoadRecipeSet(missing, false);
  const RecipeSet given = LoadRecipeSet(missing, true);

  EXPECT_FALSE(user.error.has_value());
  EXPECT_EQ(RecipeNames(user.recipes), RecipeNames(BuiltInRecipes()));
  ASSERT_TRUE(given.error.has_value());
  EXPECT_THAT(given.error->Describe(), HasSubstr("cannot be read"));
  EXPECT_EQ(RecipeNames(given.recipes), RecipeNames(BuiltInRecipes()));
}

TEST(RecipeSetTest, UserFileComesFromXdgConfigHomeThenHome) {
#ifdef _WIN32
  const std::string saved = std::getenv("APPDATA") ? std::getenv("APPDATA") : "";
  testing::SetEnvironment("APPDATA", "C:\\Users\\u\\AppData\\Roaming");
  const std::string from_app_data = UserRecipeFilePath();
  testing::SetEnvironment("APPDATA", nullptr);
  const std::string from_nothing = UserRecipeFilePath();
  testing::SetEnvironment("APPDATA", saved.c_str());

  EXPECT_EQ(from_app_data, "C:\\Users\\u\\AppData\\Roaming\\kestrilo\\sources.toml");
  EXPECT_EQ(from_nothing, "");
#else
  const std::string saved_config =
      std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  const std::string saved_home = std::getenv("HOME") ? std::getenv("HOME") : "";
  testing::SetEnvironment("XDG_CONFIG_HOME", "/cfg");
  testing::SetEnvironment("HOME", "/home/u");
  const std::string from_config = UserRecipeFilePath();
  testing::SetEnvironment("XDG_CONFIG_HOME", "");
  const std::string from_home = UserRecipeFilePath();
  testing::SetEnvironment("HOME", nullptr);
  const std::string from_nothing = UserRecipeFilePath();
  testing::SetEnvironment("XDG_CONFIG_HOME", saved_config.c_str());
  testing::SetEnvironment("HOME", saved_home.c_str());

  EXPECT_EQ(from_config, "/cfg/kestrilo/sources.toml");
  EXPECT_EQ(from_home, "/home/u/.config/kestrilo/sources.toml");
  EXPECT_EQ(from_nothing, "");
#endif
}

// The opt-in set must load, and must change only sources the built-ins have.
TEST(RecipeSetTest, TheCurrentSetLoadsOverTheBuiltIns) {
  const RecipeSet current = LoadRecipeSet(KESTRILO_RECIPE_DIR "/current.toml", true);

  ASSERT_FALSE(current.error.has_value()) << current.error->Describe();
  EXPECT_EQ(RecipeNames(current.recipes), RecipeNames(BuiltInRecipes()));
  EXPECT_THAT(current.recipes[0].Origin(), HasSubstr("current.toml:"));
}

}  // namespace
}  // namespace kestrilo
