#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mining/recipe_file.h"
#include "mining/recipe_set.h"
#include "mining/recipe_source.h"
#include "platform/platform_classes.h"
#include "runtime/gbk.h"

#include "support/memory_mining_window.h"
#include "support/named_rows.h"
#include "support/recording_ui_port.h"

namespace kestrilo {
namespace {

using testing::CannedRequests;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::MemoryMiningWindow;
using testing::RecordingUiPort;

constexpr const char* kChinaz = "https://data.chinaz.com/keyword/allindex/";

Text ChinazPager(const Text& count) {
  return "<li class=\"c-39\">&nbsp;共"_gbk + count + "页，到第"_gbk;
}

Text ChinazKeywords(const std::vector<Text>& keywords) {
  Text page;
  for (const Text& keyword : keywords) {
    page += "<li class=\"col-133 nofoldtxt\"><a title=\"" + keyword + "\" href=\"/\">";
  }
  return page;
}

class KeywordSourcesTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterPlatformClasses(); }

  void RunAll(std::optional<int> pace_ms = 0) {
    SourceContext context(window, requests);
    for (const KeywordSource& source : MakeKeywordSources(BuiltInRecipes(), pace_ms)) {
      source.step(context);
    }
  }

  // Runs the built-in source of that name alone.
  void RunOne(const std::string& name, std::optional<int> pace_ms = 0) {
    SourceContext context(window, requests);
    for (const SourceRecipe& recipe : BuiltInRecipes()) {
      if (recipe.name == name) SourceFromRecipe(recipe, pace_ms).step(context);
    }
  }

  std::vector<std::pair<bool, Text>> Calls() const {
    std::vector<std::pair<bool, Text>> calls;
    for (const auto& call : requests.calls) calls.emplace_back(call.web, call.address);
    return calls;
  }

  RecordingUiPort port;
  MemoryMiningWindow window;
  CannedRequests requests;
};

struct AddressRow {
  const char* name;
  Text seed;
  Text as_typed;  // the seed as it stands in the four as-typed addresses
  Text encoded;   // the seed after UrlEncode
};

class SourceAddressTest : public KeywordSourcesTest,
                          public ::testing::WithParamInterface<AddressRow> {};

TEST_P(SourceAddressTest, EachSourceAsksItsOwnAddressWithItsOwnEngine) {
  const AddressRow& row = GetParam();
  window.keyword.SetContent(row.seed);
  requests.replies[kChinaz + row.as_typed] = ChinazPager("1");

  RunAll();

  using Call = std::pair<bool, Text>;
  EXPECT_THAT(
      Calls(),
      ElementsAre(Call{true, "http://suggestion.baidu.com/su?wd=" + row.as_typed +
                                 "&p=3&cb=window.bdsug.sug"},
                  Call{false, "http://w.sugg.sogou.com/sugg/ajaj_json.jsp?key=" + row.as_typed +
                                  "&type=web"},
                  Call{true, kChinaz + row.as_typed}, Call{true, kChinaz + row.as_typed + "/1"},
                  Call{false, "https://www.5guanjianci.com/ciku/search?word=" + row.encoded},
                  Call{false,
                       "https://suggest.taobao.com/sug?area=etao&code=utf-8"
                       "&callback=KISSY.Suggest.callback&q=" +
                           row.encoded},
                  Call{false, "https://m.baidu.com/s?word=" + row.as_typed +
                                  "&from=1020853c&sa=ire_dl_gh_logo_ws"}));
}

INSTANTIATE_TEST_SUITE_P(
    Seeds, SourceAddressTest,
    ::testing::Values(AddressRow{"AsciiSeedGoesAsItIs", "phone", "phone", "phone"},
                      AddressRow{"ChineseSeedIsGbkAsTypedAndUtf8EscapesWhenEncoded", "手机"_gbk,
                                 "手机"_gbk, "%E6%89%8B%E6%9C%BA"},
                      AddressRow{"ReservedCharactersAreKeptEvenByEncodeUri", "a&b c?d#e",
                                 "a&b c?d#e", "a&b%20c?d#e"}),
    [](const auto& row) { return std::string(row.param.name); });

struct PageCountRow {
  const char* name;
  Text index_page;
  int pages_fetched;
};

class ChinazPageCountTest : public KeywordSourcesTest,
                            public ::testing::WithParamInterface<PageCountRow> {};

TEST_P(ChinazPageCountTest, FirstPageGivesOnlyTheCountOfPagesFetchedAfterIt) {
  window.keyword.SetContent("k");
  requests.replies[Text(kChinaz) + "k"] = GetParam().index_page + ChinazKeywords({"first"});
  for (int page = 1; page <= 3; ++page) {
    requests.replies[Text(kChinaz) + "k/" + std::to_string(page)] =
        ChinazKeywords({"p" + std::to_string(page) + "a", "p" + std::to_string(page) + "b"});
  }
  RunOne("chinaz index");

  std::vector<Text> expected_addresses = {Text(kChinaz) + "k"};
  for (int page = 1; page <= GetParam().pages_fetched; ++page) {
    expected_addresses.push_back(Text(kChinaz) + "k/" + std::to_string(page));
  }
  std::vector<Text> addresses;
  for (const auto& call : requests.calls) {
    EXPECT_TRUE(call.web);
    addresses.push_back(call.address);
  }
  EXPECT_THAT(addresses, ElementsAreArray(expected_addresses));
  Text expected_results;
  for (int page = 1; page <= std::min(GetParam().pages_fetched, 3); ++page) {
    expected_results += "p" + std::to_string(page) + "a\r\np" + std::to_string(page) + "b\r\n";
  }
  EXPECT_EQ(window.results.Content(), expected_results);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, ChinazPageCountTest,
    ::testing::Values(
        PageCountRow{"CountThreeFetchesPagesOneToThree", ChinazPager("3"), 3},
        PageCountRow{"LeadingBlankIsSkipped", ChinazPager(" 3"), 3},
        PageCountRow{"FullWidthDigitsReadAsDigits", ChinazPager("３"_gbk), 3},
        PageCountRow{"CountZeroFetchesNoPage", ChinazPager("0"), 0},
        PageCountRow{"NonNumericCountFetchesNoPage", ChinazPager("many"), 0},
        PageCountRow{"MissingPagerFetchesNoPage", "<li class=\"c-39\">&nbsp;", 0},
        PageCountRow{"CapitalisedMarkerIsNoMarker", "<LI class=\"c-39\">&nbsp;共3页，到第"_gbk, 0},
        PageCountRow{"HugeCountIsCappedAt500Pages", ChinazPager("100000"), kMaxPages}),
    [](const auto& row) { return std::string(row.param.name); });

// Closing the window is noticed after every keyword and every pause, not
// only between sources: a paged source asks no further page.
TEST_F(KeywordSourcesTest, APagedSourceStopsAtThePauseWhereTheWindowStartsClosing) {
  window.keyword.SetContent("k");
  requests.replies[Text(kChinaz) + "k"] = ChinazPager("3");
  for (int page = 1; page <= 3; ++page) {
    requests.replies[Text(kChinaz) + "k/" + std::to_string(page)] = ChinazKeywords({"a", "b"});
  }
  port.on_events = [this] { window.closing = !port.waits.empty(); };

  RunOne("chinaz index", std::nullopt);

  EXPECT_EQ(window.results.Content(), "a\r\n");
  EXPECT_EQ(port.waits.size(), 1u);
  EXPECT_EQ(requests.calls.size(), 2u) << "the count page and page 1 only";
}

TEST_F(KeywordSourcesTest, BaiduMobileAppendsSpanEntriesBeforeRelatedSearchesFoundEarlierInPage) {
  window.keyword.SetContent("k");
  const Text related =
      "相关搜索</span><!----><!----></h3></div>{&quot;text&quot;:&quot;\\u4e00&quot;},"
      "下一页<i class=\"c-icon icon-nextpage\"";
  const Text span =
      "<span style=\"color:undefined;\" data-a-079967ba>\\u4e00</span><!----><!----></a></div>";
  requests.replies["https://m.baidu.com/s?word=k&from=1020853c&sa=ire_dl_gh_logo_ws"] =
      related + span;

  RunAll();

  EXPECT_EQ(window.results.Content(), "\\u4e00\r\n" + "一\r\n"_gbk);
}

TEST_F(KeywordSourcesTest, PacingWaitsAfterEveryChinazAndWordLibraryKeywordOnly) {
  window.keyword.SetContent("k");
  requests.replies[Text(kChinaz) + "k"] = ChinazPager("1");
  requests.replies[Text(kChinaz) + "k/1"] = ChinazKeywords({"c1", "c2"});
  requests.replies["https://www.5guanjianci.com/ciku/search?word=k"] =
      "/main/index.html#/trend/w1?words=";
  requests.replies["http://suggestion.baidu.com/su?wd=k&p=3&cb=window.bdsug.sug"] =
      "p:true,s:[\"b1\",\"b2\"]";

  RunAll(std::nullopt);
  EXPECT_EQ(port.waits, std::vector<std::chrono::milliseconds>(3, std::chrono::milliseconds(50)));

  port.waits.clear();
  RunAll(0);
  EXPECT_TRUE(port.waits.empty());
}

// The newer recipe keys over canned replies: one source, one request.
struct RecipeKeyRow {
  const char* name;
  const char* cut_and_headers;  // TOML after the source's fixed keys
  const char* reply_form;       // "gbk" or "utf-8"
  Text reply;                   // as the engine hands it over
  Text appended;
  Text headers;  // as the engine was given them
};

class RecipeKeyTest : public KeywordSourcesTest,
                      public ::testing::WithParamInterface<RecipeKeyRow> {};

TEST_P(RecipeKeyTest, CutsAndAsksAsTheRecipeSays) {
  const RecipeKeyRow& row = GetParam();
  const RecipeFile file =
      ParseRecipeFile(std::string("[[source]]\nname = \"s\"\nengine = \"inet\"\naddress = "
                                  "\"https://s.example/?q={seed}\"\nseed = \"gbk\"\nreply = \"") +
                          row.reply_form + "\"\n" + row.cut_and_headers,
                      "t.toml");
  ASSERT_FALSE(file.error) << file.error->Describe();
  window.keyword.SetContent("k");
  requests.replies["https://s.example/?q=k"] = row.reply;
  SourceContext context(window, requests);

  SourceFromRecipe(file.entries.at(0).recipe, 0).step(context);

  EXPECT_EQ(window.results.Content(), row.appended);
  ASSERT_EQ(requests.calls.size(), 1u);
  EXPECT_EQ(requests.calls[0].headers, row.headers);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, RecipeKeyTest,
    ::testing::Values(
        RecipeKeyRow{"JsonFromAUtf8Reply", "[[source.cut]]\njson = \"g[].q\"\n", "utf-8",
                     R"(cb({"g":[{"q":"手机壳"},{"q":"\u624b\u673a \"x\""}]}))",
                     "手机壳\r\n手机 \"x\"\r\n"_gbk, ""},
        // The GBK reply is read as text; what GBK lacks becomes "?".
        RecipeKeyRow{"JsonFromAGbkReply", "[[source.cut]]\njson = \"[1][]\"\n", "gbk",
                     "window.sogou.sug([\"k\",[\"手机\",\"\\ud83d\\ude00\"]],-1);"_gbk,
                     "手机\r\n?\r\n"_gbk, ""},
        RecipeKeyRow{"JsonWithinASection",
                     "[[source.cut]]\njson = \"[]\"\nwithin = ['<b>', '</b>']\n", "utf-8",
                     R"(["no"]<b>["yes"]</b>)", "yes\r\n", ""},
        RecipeKeyRow{"RemoveTakesHighlightsOutBeforeGbk",
                     "[[source.cut]]\njson = \"[]\"\nremove = [\"\\uE000\", \"\\uE001\"]\n",
                     "utf-8",
                     "[\"\xEE\x80\x80"
                     "手机\xEE\x80\x81"
                     "壳\", \"\xEE\x80\x80\xEE\x80\x81\"]",
                     "手机壳\r\n"_gbk, ""},
        RecipeKeyRow{"RemoveFromAMarkerCutOfAUtf8Reply",
                     "[[source.cut]]\nitems = ['<i>', '</i>']\nremove = [\"\\uE000\"]\n", "utf-8",
                     "<i>\xEE\x80\x80"
                     "a</i><i>b\xEE\x80\x80</i>",
                     "a\r\nb\r\n", ""},
        RecipeKeyRow{"HeadersGoToTheEngineSpeltAsItsDefaults",
                     "headers = [\"referer: https://www.example.com/\", \"x-client-data: 1\"]\n"
                     "[[source.cut]]\nitems = ['<i>', '</i>']\n",
                     "gbk", "<i>a</i>", "a\r\n",
                     "Referer: https://www.example.com/\r\nX-Client-Data: 1"}),
    RowName());

}  // namespace
}  // namespace kestrilo
