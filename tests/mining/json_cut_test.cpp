#include "mining/json_cut.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "mining/recipe_file.h"

#include "support/named_rows.h"

namespace kestrilo {
namespace {

struct JsonRow {
  const char* name;
  std::string reply;  // UTF-8
  const char* path;
  std::vector<std::string> keywords;
};

class JsonCutTest : public ::testing::TestWithParam<JsonRow> {};

TEST_P(JsonCutTest, TakesThePathsStringsFromTheFirstValue) {
  const JsonRow& row = GetParam();
  std::string error;
  const std::optional<std::vector<JsonStep>> path = ParseJsonPath(row.path, error);
  ASSERT_TRUE(path) << error;

  EXPECT_EQ(JsonCut(row.reply, *path), row.keywords);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, JsonCutTest,
    ::testing::Values(
        JsonRow{"JsonpWrapperIsSkipped",
                R"(window.baidu.sug({"q":"a","p":false,"g":[{"type":"sug","q":"x"},{"q":"y"}]});)",
                "g[].q",
                {"x", "y"}},
        JsonRow{
            "BingsCallbackWithATrailingComment",
            "if(typeof window.bing.sug == 'function') window.bing.sug({\"AS\":{\"Results\":"
            "[{\"Suggests\":[{\"Txt\":\"a\"},{\"Txt\":\"b\"}]},{\"Suggests\":[{\"Txt\":\"c\"}]}]"
            "}} /* pageview_candidate */);",
            "AS.Results[].Suggests[].Txt",
            {"a", "b", "c"}},
        JsonRow{"EscapesAreDecoded",
                R"({"r":[{"w":"say \"hi\""},{"w":"\u624b\u673a\/x"},{"w":"\ud83d\ude00"}]})",
                "r[].w",
                {"say \"hi\"", "手机/x", "\xF0\x9F\x98\x80"}},
        JsonRow{"TheSecondElementOfATopLevelArray",
                R"(window.sogou.sug(["前端",["前端开发","前端框架"],["0;0;0;0"]],-1);)",
                "[1][]",
                {"前端开发", "前端框架"}},
        JsonRow{"AnIndexPicksOneElementOfEach",
                R"(KISSY.Suggest.callback({"result":[["手机壳","10122"],["手机","3080"]]}))",
                "result[][0]",
                {"手机壳", "手机"}},
        JsonRow{"ValuesThatAreNoStringsAreSkipped",
                R"({"g":[{"q":1},{"q":null},{"q":"x"},{"q":["y"]},{"q":{"z":"w"}},{"q":true}]})",
                "g[].q",
                {"x"}},
        JsonRow{"OnlyTheFirstOfTwoValues", R"({"g":[{"q":"a"}]}{"g":[{"q":"b"}]})", "g[].q", {"a"}},
        JsonRow{"ABraceThatStartsNoJsonIsPassedBy",
                R"(f({x:1}); cb({"g":[{"q":"a"}]}))",
                "g[].q",
                {"a"}},
        JsonRow{"AnUnfinishedValueGivesNothing", R"({"g":[{"q":"a"},{"q":"b")", "g[].q", {}},
        JsonRow{"NoJsonAtAll", "<html><body>百度安全验证</body></html>", "g[].q", {}},
        JsonRow{"NestingPastTheCapGivesNothing",
                std::string(100000, '[') + "\"a\"" + std::string(100000, ']'),
                "[]",
                {}},
        JsonRow{"MembersOfTheSameNameElsewhereDoNotCount",
                R"({"q":"no","g":[{"q":"yes","g":[{"q":"no"}]}]})",
                "g[].q",
                {"yes"}}),
    RowName());

struct PathRow {
  const char* name;
  const char* path;
  const char* error;  // nullptr: the path is good
};

class JsonPathTest : public ::testing::TestWithParam<PathRow> {};

TEST_P(JsonPathTest, IsReadOrRefusedWithItsReason) {
  std::string error;
  const bool read = ParseJsonPath(GetParam().path, error).has_value();

  EXPECT_EQ(read, GetParam().error == nullptr) << error;
  if (GetParam().error) {
    EXPECT_THAT(error, ::testing::HasSubstr(GetParam().error));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, JsonPathTest,
    ::testing::Values(PathRow{"MembersAndArrays", "a.b[].c[2]", nullptr},
                      PathRow{"ArraysFirst", "[1][]", nullptr}, PathRow{"Empty", "", "is empty"},
                      PathRow{"NoNumberInBrackets", "g[x].q", "[N] wants a number"},
                      PathRow{"NoClosingBracket", "g[", "without its ]"},
                      PathRow{"DoubleDot", "a..b", "member name is empty"},
                      PathRow{"TrailingDot", "a.", "no member name"},
                      PathRow{"MemberAfterBracket", "g[]q", "joined by ."}),
    RowName());

}  // namespace
}  // namespace kestrilo
