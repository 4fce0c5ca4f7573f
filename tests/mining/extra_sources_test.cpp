// The shipped extra set, each source over a fake site that answers in the
// shape its public samples show: JSON, JSONP, a GBK reply, escapes and
// highlight marks, a second value after the first.

#include <cctype>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "mining/engine_requests.h"
#include "mining/recipe_file.h"
#include "mining/recipe_source.h"
#include "platform/http_exchange.h"
#include "platform/platform_classes.h"
#include "runtime/gbk.h"

#include "support/fake_sites.h"
#include "support/memory_mining_window.h"
#include "support/recording_ui_port.h"

namespace kestrilo {
namespace {

std::vector<SourceRecipe> ExtraRecipes() {
  std::ifstream file(KESTRILO_RECIPE_DIR "/extra.toml", std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  const RecipeFile parsed = ParseRecipeFile(text.str(), "extra");
  std::vector<SourceRecipe> recipes;
  if (parsed.error) {
    ADD_FAILURE() << parsed.error->Describe();
    return recipes;
  }
  for (const RecipeEntry& entry : parsed.entries) recipes.push_back(entry.recipe);
  return recipes;
}

class ExtraSourceTest : public ::testing::TestWithParam<SourceRecipe> {
 protected:
  void SetUp() override {
    RegisterPlatformClasses();
    SetExtraTrustedCa(sites_.CaFile());
    SetConnectTo(sites_.Routes());
  }
  void TearDown() override {
    SetConnectTo({});
    SetExtraTrustedCa("");
  }

  testing::FakeSites sites_;
  testing::RecordingUiPort port_;
};

TEST_P(ExtraSourceTest, CutsItsSitesKeywords) {
  const SourceRecipe& recipe = GetParam();
  testing::MemoryMiningWindow window;
  window.keyword.SetContent("手机"_gbk);
  EngineRequests engines(5);
  SourceContext context(window, engines);
  Text expected;
  for (const std::string& keyword : testing::SiteOf(recipe.name).keywords) {
    expected += GbkFromUtf8(keyword) + "\r\n";
  }

  SourceFromRecipe(recipe, 0).step(context);

  EXPECT_EQ(window.results.Content(), expected);
  ASSERT_EQ(sites_.ReceivedRequests(1).size(), 1u);
  EXPECT_NE(sites_.ReceivedRequests()[0].target.find("%E6%89%8B%E6%9C%BA"), std::string::npos)
      << "the seed goes as UTF-8";
}

INSTANTIATE_TEST_SUITE_P(Extra, ExtraSourceTest, ::testing::ValuesIn(ExtraRecipes()),
                         [](const auto& row) {
                           std::string name = row.param.name;
                           for (char& c : name)
                             c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

}  // namespace
}  // namespace kestrilo
