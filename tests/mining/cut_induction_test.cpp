#include "mining/cut_induction.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mining/json_cut.h"
#include "mining/recipe_file.h"
#include "mining/recipe_source.h"
#include "platform/platform_classes.h"
#include "runtime/gbk.h"
#include "runtime/text_commands.h"
#include "text/url_encoding.h"

#include "support/memory_mining_window.h"
#include "support/named_rows.h"
#include "support/recording_ui_port.h"

namespace kestrilo {
namespace {

using testing::CannedRequests;
using ::testing::Contains;
using ::testing::ElementsAreArray;
using testing::MemoryMiningWindow;
using testing::RecordingUiPort;

std::vector<Text> Gbk(std::initializer_list<std::string_view> words) {
  std::vector<Text> gbk;
  for (const std::string_view word : words) gbk.push_back(GbkFromUtf8(word));
  return gbk;
}

// The cut's kind and what it leans on, in a word or three.
std::string Shape(const RecipeCut& cut) {
  std::string shape;
  switch (cut.kind) {
    case RecipeCut::Kind::kList: shape = "list"; break;
    case RecipeCut::Kind::kItems: shape = "items"; break;
    case RecipeCut::Kind::kJson: shape = "json " + JsonPathText(cut.json); break;
  }
  if (cut.within) shape += " within";
  if (cut.unescape) shape += " unescape";
  return shape;
}

std::string Joined(std::initializer_list<std::string_view> words, std::string_view between) {
  std::string joined;
  for (const std::string_view word : words) {
    joined += (joined.empty() ? "" : std::string(between)) + std::string(word);
  }
  return joined;
}

Text BaiduSuggestion(std::string_view seed, std::initializer_list<std::string_view> words) {
  return GbkFromUtf8("window.bdsug.sug({q:\"" + std::string(seed) + "\",p:false,s:[\"" +
                     Joined(words, "\",\"") + "\"]});");
}

// The old Chinaz item with its class renamed and one more element around
// the link; the page's title and navigation name keywords too.
Text ChinazPage(std::string_view title, std::string_view nav,
                std::initializer_list<std::string_view> items) {
  std::string page = "<html><head><title>" + std::string(title) +
                     "_长尾关键词挖掘_站长工具</title></head><body>\n"
                     "<div class=\"nav\"><a href=\"/\">首页</a> <a href=\"/kw/" +
                     std::string(nav) + "\">" + std::string(nav) +
                     "</a></div>\n"
                     "<ul class=\"kw-list\">\n";
  for (const std::string_view item : items) {
    page += "<li class=\"col-140 kwfold\"><div class=\"kw-wrap\"><a title=\"" + std::string(item) +
            "\" href=\"/\">" + std::string(item) + "</a></div></li>\n";
  }
  return GbkFromUtf8(page + "</ul>\n<div class=\"pager\">共1页</div></body></html>");
}

// Items with their search counts, and the item markup reused by a tool
// bar below the list, around an image.
Text ListAndToolBar(std::initializer_list<std::string_view> items, int count) {
  std::string page = "<div class=\"hot\"><h2>热门</h2>\n<ul class=\"kw-list\">\n";
  for (const std::string_view item : items) {
    page += "<li><a href=\"#\">" + std::string(item) + "</a><em>" + std::to_string(count -= 1234) +
            "</em></li>\n";
  }
  return GbkFromUtf8(page +
                     "</ul></div>\n<ul class=\"tools\">\n"
                     "<li><a href=\"#\"><img src=\"/i/app.png\">下载</a><em>新</em></li>\n</ul>");
}

// A Baidu mobile page after a rebuild: every data-a- hash changed. The hot
// entries stand as they are; the related searches only as "\u" escapes.
Text BaiduMobilePage(std::initializer_list<std::string_view> hot,
                     std::initializer_list<std::string_view> related_escaped) {
  std::string page = "<div id=\"results\">\n";
  for (const std::string_view entry : hot) {
    page += "<div class=\"c-result\" data-a-3f9e21b4><a href=\"/s?word=" + std::string(entry) +
            "\"><span style=\"color:undefined;\" data-a-3f9e21b4>" + std::string(entry) +
            "</span><!----><!----></a></div>\n";
  }
  page += "</div>\n<div class=\"rw-list\" data-a-3f9e21b4><h3 data-a-3f9e21b4>相关搜索</h3>\n";
  for (const std::string_view escaped : related_escaped) {
    page += "<div class=\"rw-item\" data-a-3f9e21b4><i data-tpl=\"{&quot;text&quot;:&quot;" +
            std::string(escaped) + "&quot;}\" data-a-3f9e21b4></i></div>\n";
  }
  return GbkFromUtf8(page + "</div>");
}

Text JsonWords(std::initializer_list<std::string_view> words) {
  std::string list;
  int hot = 0;
  for (const std::string_view word : words) {
    list += std::string(list.empty() ? "" : ",") + "{\"word\":\"" + std::string(word) +
            "\",\"hot\":" + std::to_string(hot += 7) + "}";
  }
  return GbkFromUtf8("{\"data\":{\"list\":[" + list + "]},\"status\":0}");
}

// A sidebar of related links beside the main list.
Text SidebarAndList(std::initializer_list<std::string_view> sidebar,
                    std::initializer_list<std::string_view> list) {
  std::string page = "<div class=\"side\"><h4>相关</h4>\n";
  int n = 0;
  for (const std::string_view link : sidebar) {
    page += "<a class=\"rel\" href=\"/s?q=" + std::to_string(++n) + "\">" + std::string(link) +
            "</a>\n";
  }
  page += "</div>\n<ul class=\"main\">\n";
  for (const std::string_view item : list) {
    page += "<li class=\"kw\">" + std::string(item) + "</li>\n";
  }
  return GbkFromUtf8(page + "</ul>");
}

// Links that carry the keyword only encodeURIComponent-encoded, each with
// its index.
Text PercentLinks(const std::vector<Text>& keywords, int index) {
  Text page = "<div class=\"ciku\">\n";
  for (const Text& keyword : keywords) {
    page += "<a class=\"w\" href=\"/trend?kw=" + UrlEncode(keyword, 1) +
            "&amp;from=ciku\" target=\"_blank\">" + std::to_string(index -= 70) + "</a>\n";
  }
  return page + "</div>";
}

std::vector<Text> PercentEncoded(const std::vector<Text>& keywords) {
  std::vector<Text> encoded;
  for (const Text& keyword : keywords) encoded.push_back(UrlEncode(keyword, 1));
  return encoded;
}

Text EntityOptions(std::initializer_list<std::string_view> entities) {
  std::string page = "<select id=\"kw\">";
  int n = 0;
  for (const std::string_view entity : entities) {
    page += "<option value=\"" + std::string(entity) + "\">" + std::to_string(++n) + "</option>";
  }
  return page + "</select>";
}

class CutInductionTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterPlatformClasses(); }

  // What the cut appends, line by line, run by the recipe runner as the
  // one cut of a source whose reply is `reply`.
  std::vector<Text> RunCut(const RecipeCut& cut, const Text& reply) {
    SourceRecipe recipe;
    recipe.name = "mended";
    recipe.engine = RecipeEngine::kInet;
    recipe.address = AddressTemplate({{AddressTemplate::Slot::kText, "https://s.example/?q="},
                                      {AddressTemplate::Slot::kSeed, {}}});
    recipe.cuts = {cut};
    window.keyword.SetContent("k");
    window.results.SetContent("");
    requests.replies["https://s.example/?q=k"] = reply;
    SourceContext context(window, requests);
    SourceFromRecipe(recipe, 0).step(context);
    return SplitText(window.results.Content(), "\r\n");
  }

  RecordingUiPort port;
  MemoryMiningWindow window;
  CannedRequests requests;
};

struct InductionRow {
  const char* name;
  Text reply;  // GBK, as the source's cuts see it
  std::vector<Text> known;
  std::string shape;
  std::vector<Text> takes;  // exactly what the mended source must take
  std::vector<Text> induced;
  // The same site's reply for another seed: its own data, and the cut
  // must not have taken any of this reply's data for markers.
  Text next_reply;
  std::vector<Text> next_takes;
};

class ChangedSiteTest : public CutInductionTest,
                        public ::testing::WithParamInterface<InductionRow> {};

TEST_P(ChangedSiteTest, SuggestedCutTakesTheKeywordsWhenTheRunnerRunsIt) {
  const InductionRow& row = GetParam();

  const CutSuggestion suggestion = SuggestCut(row.reply, row.known);

  ASSERT_TRUE(suggestion.cut) << suggestion.reason;
  EXPECT_EQ(suggestion.reason, "");
  EXPECT_EQ(Shape(*suggestion.cut), row.shape);
  EXPECT_EQ(suggestion.takes, row.takes);
  EXPECT_EQ(suggestion.induced_from, row.induced);
  EXPECT_THAT(RunCut(*suggestion.cut, row.reply), ElementsAreArray(row.takes));
  EXPECT_THAT(RunCut(*suggestion.cut, row.next_reply), ElementsAreArray(row.next_takes));
}

INSTANTIATE_TEST_SUITE_P(
    Sites, ChangedSiteTest,
    ::testing::Values(
        InductionRow{"BaiduSuggestionAnswersPFalse",
                     BaiduSuggestion("手机", {"手机壳", "手机游戏", "华为手机", "手机支架"}),
                     Gbk({"手机壳", "手机游戏", "华为手机", "手机支架", "小米手机"}), "list",
                     Gbk({"手机壳", "手机游戏", "华为手机", "手机支架"}),
                     Gbk({"手机壳", "手机游戏", "华为手机", "手机支架"}),
                     BaiduSuggestion("电脑", {"电脑桌", "笔记本电脑"}),
                     Gbk({"电脑桌", "笔记本电脑"})},
        // The new word 手机壳套 sits among the known ones.
        InductionRow{
            "ChinazItemsRenamedAndWrapped",
            ChinazPage("手机壳", "手机游戏",
                       {"手机壳", "手机游戏", "华为手机", "手机壳套", "手机支架", "二手手机"}),
            Gbk({"手机壳", "手机游戏", "华为手机", "手机支架", "二手手机", "小米手机"}), "items",
            Gbk({"手机壳", "手机游戏", "华为手机", "手机壳套", "手机支架", "二手手机"}),
            Gbk({"手机壳", "手机游戏", "华为手机", "手机支架", "二手手机"}),
            ChinazPage("电脑", "电脑桌", {"电脑桌", "电脑配置"}), Gbk({"电脑桌", "电脑配置"})},
        InductionRow{"ItemMarkupReusedAroundAnImageBelowTheList",
                     ListAndToolBar({"手机壳", "手机游戏", "华为手机", "手机支架"}, 9000),
                     Gbk({"手机壳", "手机游戏", "华为手机", "手机支架"}), "items within",
                     Gbk({"手机壳", "手机游戏", "华为手机", "手机支架"}),
                     Gbk({"手机壳", "手机游戏", "华为手机", "手机支架"}),
                     ListAndToolBar({"电脑桌", "游戏电脑", "平板电脑"}, 3000),
                     Gbk({"电脑桌", "游戏电脑", "平板电脑"})},
        InductionRow{
            "BaiduMobileRebuiltWithEscapedRelatedSearches",
            BaiduMobilePage({"手机壳", "手机游戏", "华为手机"},
                            {R"(\u624b\u673a\u58f3)", R"(\u624b\u673a\u6e38\u620f)",
                             R"(\u534e\u4e3a\u624b\u673a)", R"(\u624b\u673a\u58f3\u5957)",
                             R"(\u624b\u673a\u652f\u67b6)", R"(\u4e8c\u624b\u624b\u673a)"}),
            Gbk({"手机壳", "手机游戏", "华为手机", "手机支架", "二手手机"}), "items unescape",
            Gbk({"手机壳", "手机游戏", "华为手机", "手机壳套", "手机支架", "二手手机"}),
            Gbk({"手机壳", "手机游戏", "华为手机", "手机支架", "二手手机"}),
            BaiduMobilePage({"电脑"}, {R"(\u7535\u8111\u684c)", R"(\u952e\u76d8)"}),
            Gbk({"电脑桌", "键盘"})},
        // Markers would do too; the path wins, as it survives reordered
        // members.
        InductionRow{"ArrayMovedToJson", JsonWords({"手机壳", "手机游戏", "华为手机", "手机壳套"}),
                     Gbk({"手机壳", "手机游戏", "华为手机", "小米手机"}), "json data.list[].word",
                     Gbk({"手机壳", "手机游戏", "华为手机", "手机壳套"}),
                     Gbk({"手机壳", "手机游戏", "华为手机"}), JsonWords({"键盘"}), Gbk({"键盘"})},
        InductionRow{
            "SidebarOfThreeLosesToTheMainListOfFive",
            SidebarAndList({"手机壳", "手机膜", "手机套"}, {"手机游戏", "华为手机", "手机壳套",
                                                            "手机支架", "二手手机", "小米手机"}),
            Gbk({"手机壳", "手机膜", "手机套", "手机游戏", "华为手机", "手机支架", "二手手机",
                 "小米手机"}),
            "items", Gbk({"手机游戏", "华为手机", "手机壳套", "手机支架", "二手手机", "小米手机"}),
            Gbk({"手机游戏", "华为手机", "手机支架", "二手手机", "小米手机"}),
            SidebarAndList({"电脑"}, {"电脑桌", "键盘"}), Gbk({"电脑桌", "键盘"})},
        // Percent escapes are taken as they stand, as the 5guanjianci
        // source takes them.
        InductionRow{"KeywordsOnlyInEncodedLinks",
                     PercentLinks(Gbk({"手机壳", "手机游戏", "华为手机", "手机壳套"}), 1500),
                     Gbk({"手机壳", "手机游戏", "华为手机", "小米手机"}), "items",
                     PercentEncoded(Gbk({"手机壳", "手机游戏", "华为手机", "手机壳套"})),
                     Gbk({"手机壳", "手机游戏", "华为手机"}),
                     PercentLinks(Gbk({"电脑桌", "键盘"}), 900),
                     PercentEncoded(Gbk({"电脑桌", "键盘"}))},
        InductionRow{"KeywordsAsDecimalEntities",
                     EntityOptions({"&#25163;&#26426;&#22771;", "&#21326;&#20026;&#25163;&#26426;",
                                    "&#25163;&#26426;&#25903;&#26550;"}),
                     Gbk({"手机壳", "华为手机", "手机支架"}),
                     "items",
                     {"&#25163;&#26426;&#22771;", "&#21326;&#20026;&#25163;&#26426;",
                      "&#25163;&#26426;&#25903;&#26550;"},
                     Gbk({"手机壳", "华为手机", "手机支架"}),
                     EntityOptions({"&#30005;&#33041;&#26700;", "&#38190;&#30424;"}),
                     {"&#30005;&#33041;&#26700;", "&#38190;&#30424;"}}),
    RowName());

struct ReasonRow {
  const char* name;
  Text reply;
  std::vector<Text> known;
  std::string reason;
};

class NoCutTest : public CutInductionTest, public ::testing::WithParamInterface<ReasonRow> {};

TEST_P(NoCutTest, SaysWhyThereIsNoCut) {
  const ReasonRow& row = GetParam();

  const CutSuggestion suggestion = SuggestCut(row.reply, row.known);

  EXPECT_FALSE(suggestion.cut);
  EXPECT_TRUE(suggestion.takes.empty());
  EXPECT_TRUE(suggestion.induced_from.empty());
  EXPECT_EQ(suggestion.reason, row.reason);
}

const std::vector<Text> kTwelve =
    Gbk({"手机壳", "手机游戏", "华为手机", "手机支架", "二手手机", "小米手机", "手机膜", "手机套",
         "苹果手机", "手机号", "手机银行", "手机维修"});

INSTANTIATE_TEST_SUITE_P(
    Replies, NoCutTest,
    ::testing::Values(
        ReasonRow{"AVerificationPageHoldsOneKeyword",
                  "<html><title>百度安全验证</title><p>手机壳</p></html>"_gbk, kTwelve,
                  "only 1 of the 12 keywords other sources found is in the reply (3 needed)"},
        ReasonRow{"AnEmptyReply", "", kTwelve,
                  "none of the 12 keywords other sources found is in the reply (3 needed)"},
        ReasonRow{"TooFewKnown", "[\"手机壳\",\"手机游戏\"]"_gbk, Gbk({"手机壳", "手机游戏"}),
                  "other sources found only 2 keywords (3 needed)"},
        ReasonRow{"KeywordsInProse", "<p>手机壳的销量超过了手机游戏，而华为手机仍居首。</p>"_gbk,
                  kTwelve,
                  "3 of the 12 keywords other sources found are in the reply, but no 3 of them "
                  "in one form share the text around them"},
        // A marker cannot be empty, so a reply that is the list and nothing
        // else has no text to mark where the list begins.
        ReasonRow{"AReplyThatIsTheBareList", "手机壳|手机游戏|华为手机"_gbk, kTwelve,
                  "3 of the 12 keywords other sources found are in the reply, but no cut induced "
                  "from them passed the checks (no markers single out the list)"}),
    RowName());

TEST_F(CutInductionTest, ALargePageWithManyKeywordsStillGivesItsList) {
  // Hundreds of known keywords, a few of them in a sidebar too, the list
  // at the end of a long page and new words among the known ones: the
  // work stays bounded and the whole list still wins.
  std::vector<Text> known;
  std::vector<Text> items;
  Text sidebar = "<div class=\"hot\">";
  Text list = "<ol id=\"words\">";
  for (int i = 0; i < 300; ++i) {
    known.push_back("手机"_gbk + std::to_string(i));
    if (i < 20) sidebar += "<a class=\"hot\" href=\"#\">" + known.back() + "</a>";
    items.push_back(known.back());
    if (i % 3 == 0) items.push_back("新词"_gbk + std::to_string(i));
  }
  for (const Text& item : items) list += "<li>" + item + "</li>";
  const Text filler = "<p>这是一段与关键词无关的说明文字。</p>\n"_gbk;
  Text reply = sidebar + "</div>";
  for (int i = 0; i < 20000; ++i) reply += filler;
  reply += list + "</ol>";

  const CutSuggestion suggestion = SuggestCut(reply, known);

  ASSERT_TRUE(suggestion.cut) << suggestion.reason;
  EXPECT_EQ(suggestion.takes, items);
  EXPECT_EQ(RunCut(*suggestion.cut, reply), items);
}

struct StringsRow {
  const char* name;
  std::string reply;  // UTF-8
  std::vector<std::pair<std::string, std::string>> strings;
};

class JsonStringsTest : public ::testing::TestWithParam<StringsRow> {};

TEST_P(JsonStringsTest, GivesEachStringWithAPathThatPicksIt) {
  const StringsRow& row = GetParam();

  const auto strings = JsonStrings(row.reply);

  EXPECT_EQ(strings, row.strings);
  for (const auto& [path, text] : strings) {
    std::string error;
    const std::optional<std::vector<JsonStep>> steps = ParseJsonPath(path, error);
    ASSERT_TRUE(steps) << error;
    EXPECT_THAT(JsonCut(row.reply, *steps), Contains(text)) << path;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, JsonStringsTest,
    ::testing::Values(
        StringsRow{"JsonpWithArrayPositionsGeneralised",
                   R"(cb({"q":"a","g":[{"q":"x"},{"q":"y","n":1}]});)",
                   {{"q", "a"}, {"g[].q", "x"}, {"g[].q", "y"}}},
        StringsRow{"NestedTopLevelArrays",
                   R"(["前端",["前端开发","\u524d\u7aef"]])",
                   {{"[]", "前端"}, {"[][]", "前端开发"}, {"[][]", "前端"}}},
        StringsRow{"NamesNoPathCanSpellArePassedBy",
                   R"({"a.b":"x","c[0]":{"d":"y"},"":"z","e":{"f]":"w","g":"v"}})",
                   {{"e.g", "v"}}},
        StringsRow{"OnlyTheFirstValueAfterText", R"(x "s" {"k":"v"} {"k":"w"})", {{"k", "v"}}},
        StringsRow{"NoJson", "<html>手机</html>", {}}),
    RowName());

}  // namespace
}  // namespace kestrilo
