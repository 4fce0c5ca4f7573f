// Whole runs against fake versions of the six sites: the real host names are
// routed to loopback servers that answer with recorded-shape replies kept
// under fixtures/sites.

#include <cctype>
#include <cstdlib>
#include <sstream>
#include <thread>
#include <tuple>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mining/engine_requests.h"
#include "mining/mining_run.h"
#include "mining/recipe_file.h"
#include "mining/recipe_set.h"
#include "mining/recipe_source.h"
#include "platform/http_exchange.h"
#include "platform/platform_classes.h"
#include "runtime/gbk.h"
#include "text/remove_duplicates.h"

#include "support/built_in_sites.h"
#include "support/fake_sites.h"
#include "support/memory_mining_window.h"
#include "support/recording_ui_port.h"

namespace kestrilo {
namespace {

using ::testing::ElementsAre;
using testing::MemoryMiningWindow;
using testing::RecordingUiPort;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAreArray;

enum class Fault { kNone, kRefused, kServerError, kNoMarkers, kGarbage, kStall };

using Received = testing::FakeSites::Received;

class FullRunTest : public ::testing::Test {
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

  void Break(const std::string& host, Fault fault) {
    switch (fault) {
      case Fault::kRefused: SetConnectTo(sites_.Routes({host})); return;
      case Fault::kServerError:
        return Answer(host, 500, "<html><body><h1>500 Internal Server Error</h1></body></html>",
                      "text/html");
      case Fault::kNoMarkers:
        return Answer(host, 200, "<html><body>系统维护中，请稍后再试</body></html>",
                      "text/html; charset=utf-8");
      case Fault::kGarbage:
        return Answer(host, 200, std::string("\x00\xff\xfe\x80p:true,s:[\x81\x00\xc3\x28", 14),
                      "application/octet-stream");
      case Fault::kStall:
        // Longer than the engines' time-out below: the reply never comes in time.
        sites_.Override(host, [](const auto&, auto& response) {
          std::this_thread::sleep_for(std::chrono::milliseconds(3500));
          response.set_content("late", "text/plain");
        });
        return;
      case Fault::kNone: return;
    }
  }

  void Answer(const std::string& host, int status, const std::string& body, const char* type) {
    sites_.Override(host, [=](const auto&, auto& response) {
      response.status = status;
      response.set_content(body, type);
    });
  }

  std::vector<Received> ReceivedRequests(std::size_t at_least = 0) {
    return sites_.ReceivedRequests(at_least);
  }

  void Run(const Text& seed) {
    window.keyword.SetContent(seed);
    MiningRun run(window, engines, MakeKeywordSources(BuiltInRecipes(), 0));
    run.Run();
  }

  std::vector<Text> StatusTexts() const {
    std::vector<Text> texts;
    for (const auto& write : window.status.history) {
      if (write.index == MiningWindow::kStatusPart) texts.push_back(write.text);
    }
    return texts;
  }

  // `named`: the one source line the message adds (GBK); none when empty.
  void ExpectCompletedFor(const Text& seed, const Text& named = {}) {
    EXPECT_THAT(StatusTexts(), ElementsAre("正在挖掘关键词："_gbk + seed, "正在去除重复内容"_gbk,
                                           "关键词： "_gbk + seed + " 挖掘已完成！"_gbk));
    EXPECT_THAT(window.progress.history, ElementsAre(0, 10, 20, 30, 40, 50, 60));
    ASSERT_EQ(window.messages.size(), 1u);
    if (named.empty()) {
      EXPECT_EQ(window.messages[0].text, "查询已完成！"_gbk);
    } else {
      // The line after the source's is the closing hint: no other source is named.
      EXPECT_THAT(window.messages[0].text,
                  StartsWith("查询已完成！\r\n以下来源没有给出关键词：\r\n"_gbk + named +
                             "\r\n可用 kestrilo-cli --check"_gbk));
    }
    EXPECT_EQ(window.messages[0].progress, 60);
    EXPECT_TRUE(window.export_button.IsEnabled());
  }

  testing::FakeSites sites_;
  RecordingUiPort ui_port;
  MemoryMiningWindow window;
  // Short enough for the stalled rows, long enough for a TLS exchange on a
  // loaded machine in the sanitizer build.
  EngineRequests engines{3};
};

TEST_F(FullRunTest, SixFakeSitesGiveTheHandDerivedListInOrder) {
  std::istringstream lines(testing::ReadSiteFixture("expected_keywords.txt"));
  Text expected;
  for (std::string line; std::getline(lines, line);) {
    expected += (expected.empty() && line.empty() ? "" : "\r\n") + GbkFromUtf8(line);
  }
  expected.erase(0, expected.rfind("\r\n", 0) == 0 ? 2 : 0);
  ASSERT_FALSE(expected.empty());

  Run("手机"_gbk);

  EXPECT_EQ(window.results.Content(), expected);
  ExpectCompletedFor("手机"_gbk);
}

// A source added by a recipe file runs after the built-ins, and the bar
// counts it: adding one is a recipe entry and a fake site, nothing else.
TEST_F(FullRunTest, ASourceFromARecipeFileAddsItsKeywordsAfterTheSix) {
  const RecipeSet set = LoadRecipeSet(
      std::string(std::getenv("KESTRILO_FIXTURES")) + "/recipes/seventh_source.toml", true);
  ASSERT_FALSE(set.error.has_value()) << set.error->Describe();
  Text expected;
  for (const testing::FakeSite& site : testing::SitesOf(testing::RecipeNames(set.recipes))) {
    for (const std::string& line : site.keywords) expected += GbkFromUtf8(line) + "\r\n";
  }
  window.keyword.SetContent("手机"_gbk);

  MiningRun(window, engines, MakeKeywordSources(set.recipes, 0)).Run();

  EXPECT_EQ(set.recipes.size(), BuiltInRecipes().size() + 1);
  EXPECT_EQ(window.results.Content(), RemoveDuplicates(expected, "\r\n", SplitMode::kSeparator));
  EXPECT_THAT(window.progress.history, ElementsAre(0, 10, 20, 30, 40, 50, 60, 70));
  EXPECT_THAT(ReceivedRequests(),
              ::testing::Contains(Received{"https", "/complete?q=%E6%89%8B%E6%9C%BA&limit=10"}));
}

std::string FailingSiteName(const std::tuple<int, Fault>& param) {
  static const char* const kFaultNames[] = {"",          "Refused", "ServerError",
                                            "NoMarkers", "Garbage", "Stall"};
  std::string name = testing::BuiltInSites()[std::get<0>(param)].host;
  for (char& c : name) c = c == '.' ? '_' : c;
  return name + "_" + kFaultNames[static_cast<int>(std::get<1>(param))];
}

class FailingSiteTest : public FullRunTest,
                        public ::testing::WithParamInterface<std::tuple<int, Fault>> {};

TEST_P(FailingSiteTest, RunCompletesWithEveryOtherSitesKeywords) {
  const auto [failing, fault] = GetParam();
  Break(testing::BuiltInSites()[failing].host, fault);
  Text others;
  for (int i = 0; i < static_cast<int>(testing::BuiltInSites().size()); ++i) {
    if (i == failing) continue;
    for (const std::string& line : testing::BuiltInSites()[i].keywords) {
      others += GbkFromUtf8(line) + "\r\n";
    }
  }

  Run("手机"_gbk);

  EXPECT_EQ(window.results.Content(), RemoveDuplicates(others, "\r\n", SplitMode::kSeparator));
  // The garbage starts with a NUL, where a reply read as text ends.
  const bool no_reply =
      fault == Fault::kRefused || fault == Fault::kStall || fault == Fault::kGarbage;
  ExpectCompletedFor("手机"_gbk,
                     GbkFromUtf8(testing::ShownTitleOf(testing::BuiltInSites()[failing].recipe)) +
                         (no_reply ? "：无回应"_gbk : "：有回应，但没有取到关键词"_gbk));
}

INSTANTIATE_TEST_SUITE_P(
    EachSiteInTurn, FailingSiteTest,
    ::testing::Combine(::testing::Range(0, static_cast<int>(BuiltInRecipes().size())),
                       ::testing::Values(Fault::kRefused, Fault::kServerError, Fault::kNoMarkers,
                                         Fault::kGarbage, Fault::kStall)),
    [](const auto& row) { return FailingSiteName(row.param); });

struct WireRow {
  const char* name;
  Text seed;
  std::string as_typed;  // the seed in the request line of the as-typed sources
  std::string encoded;   // the same for the UrlEncode sources
};

class RequestTargetTest : public FullRunTest, public ::testing::WithParamInterface<WireRow> {};

TEST_P(RequestTargetTest, EachSiteReceivesItsRecipesRequestLine) {
  const WireRow& row = GetParam();

  Run(row.seed);

  const std::string chinaz = "/keyword/allindex/" + row.as_typed;
  // The order of the requests is the unit tests' business.
  EXPECT_THAT(
      ReceivedRequests(8),
      UnorderedElementsAreArray(std::vector<Received>{
          {"http", "/su?wd=" + row.as_typed + "&p=3&cb=window.bdsug.sug"},
          {"http", "/sugg/ajaj_json.jsp?key=" + row.as_typed + "&type=web"},
          {"https", chinaz},
          {"https", chinaz + "/1"},
          {"https", chinaz + "/2"},
          {"https", "/ciku/search?word=" + row.encoded},
          {"https", "/sug?area=etao&code=utf-8&callback=KISSY.Suggest.callback&q=" + row.encoded},
          {"https", "/s?word=" + row.as_typed + "&from=1020853c&sa=ire_dl_gh_logo_ws"},
      }));
}

INSTANTIATE_TEST_SUITE_P(
    Seeds, RequestTargetTest,
    ::testing::Values(WireRow{"Ascii", "phone", "phone", "phone"},
                      // 手机 is CA D6 BB FA in GBK and E6 89 8B E6 9C BA in UTF-8.
                      WireRow{"ChineseGoesAsGbkOrUtf8Escapes", "手机"_gbk, "%CA%D6%BB%FA",
                              "%E6%89%8B%E6%9C%BA"},
                      WireRow{"AmpersandAndQuestionMarkStayOnlyTheSpaceIsEscaped", "a&b c?d",
                              "a&b%20c?d", "a&b%20c?d"}),
    [](const auto& row) { return std::string(row.param.name); });

// The shipped extra set, each source over a fake site that answers in the
// shape its public samples show: JSON, JSONP, a GBK reply, escapes and
// highlight marks, a second value after the first.
std::vector<SourceRecipe> ExtraRecipes() {
  const RecipeFile parsed = ParseRecipeFile(*ShippedRecipeText("extra"), "extra");
  std::vector<SourceRecipe> recipes;
  if (parsed.error) {
    ADD_FAILURE() << parsed.error->Describe();
    return recipes;
  }
  for (const RecipeEntry& entry : parsed.entries) recipes.push_back(entry.recipe);
  return recipes;
}

class ExtraSourceTest : public FullRunTest, public ::testing::WithParamInterface<SourceRecipe> {};

TEST_P(ExtraSourceTest, CutsItsSitesKeywords) {
  const SourceRecipe& recipe = GetParam();
  window.keyword.SetContent("手机"_gbk);
  SourceContext context(window, engines);
  Text expected;
  for (const std::string& keyword : testing::SiteOf(recipe.name).keywords) {
    expected += GbkFromUtf8(keyword) + "\r\n";
  }

  SourceFromRecipe(recipe, 0).step(context);

  EXPECT_EQ(window.results.Content(), expected);
  ASSERT_EQ(ReceivedRequests().size(), 1u);
  EXPECT_NE(ReceivedRequests()[0].target.find("%E6%89%8B%E6%9C%BA"), std::string::npos)
      << "the seed goes as UTF-8";
}

INSTANTIATE_TEST_SUITE_P(Extra, ExtraSourceTest, ::testing::ValuesIn(ExtraRecipes()),
                         [](const auto& row) {
                           std::string name = row.param.name;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace kestrilo
