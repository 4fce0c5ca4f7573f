#include "text/script_object.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "platform/script_control.h"
#include "runtime/automation_calls.h"
#include "runtime/gbk.h"

namespace kestrilo {
namespace {

class ScriptObjectTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterScriptControl(); }
};

TEST_F(ScriptObjectTest, StartsInJScriptAndOnlySelectorsZeroAndOneTouchTheLanguage) {
  ScriptObject script;
  EXPECT_EQ(script.Language(5), "JScript");
  // "vbs" is refused by the engine, so JScript stays.
  EXPECT_EQ(script.Language(1), "JScript");
  EXPECT_EQ(script.Language(0), "JScript");
}

TEST_F(ScriptObjectTest, TimeoutWithoutAValueMeansNoLimit) {
  ScriptObject script;
  EXPECT_EQ(script.Timeout(250), 250);
  EXPECT_EQ(script.Timeout(), -1);
}

struct RunRow {
  std::string_view name;
  std::optional<Text> args[6];
  std::string_view expected;
};

void PrintTo(const RunRow& row, std::ostream* os) { *os << row.name; }

const RunRow kRunRows[] = {
    {"PassesNothingWhenNoArgumentIsGiven", {}, "0:"},
    {"PassesTheOneGivenArgument", {"a"}, "1:a"},
    {"StopsAtTheFirstAbsentArgument", {"a", std::nullopt, "c"}, "1:a"},
    {"PassesNothingWhenOnlyALaterArgumentIsGiven", {std::nullopt, "b"}, "0:"},
    {"PassesAllSix", {"a", "b", "c", "d", "e", "f"}, "6:a,b,c,d,e,f"},
};

class ScriptObjectRunTest : public ScriptObjectTest,
                            public ::testing::WithParamInterface<RunRow> {};

TEST_P(ScriptObjectRunTest, PassesTheLeadingRunOfGivenArguments) {
  ScriptObject script;
  script.AddCode(
      "function shape() { return arguments.length + ':' + Array.prototype.join.call(arguments); }");
  const auto& a = GetParam().args;
  EXPECT_EQ(script.Run("shape", a[0], a[1], a[2], a[3], a[4], a[5]), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ScriptObjectRunTest, ::testing::ValuesIn(kRunRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(ScriptObjectTest, ExecuteStatementReportsFailureThroughLastError) {
  ScriptObject script;
  EXPECT_TRUE(script.ExecuteStatement("var seed = '长尾';"_gbk));
  EXPECT_TRUE(script.LastError().empty());
  EXPECT_EQ(script.Eval("seed + '词'"_gbk), "长尾词"_gbk);
  EXPECT_FALSE(script.ExecuteStatement("var = ;"));
  EXPECT_EQ(script.LastError(), "发现异常"_gbk);
  EXPECT_EQ(script.Run("encodeURI", "a b"), "a%20b");
}

TEST_F(ScriptObjectTest, CopiesShareTheEngineAndResetClearsItForAll) {
  ScriptObject script;
  const ScriptObject copy = script;
  script.AddCode("function twice(s) { return s + s; }");
  ScriptObject other = copy;
  EXPECT_EQ(other.Run("twice", "ab"), "abab");
  EXPECT_EQ(other.Engine(), script.Engine());
  other.Reset();
  EXPECT_EQ(script.Run("twice", "ab"), "");
  EXPECT_EQ(script.LastError(), "发现异常"_gbk);
}

TEST_F(ScriptObjectTest, HostSettingsChangeOnlyWhenGiven) {
  ScriptObject script;
  EXPECT_EQ(script.State(1), 1);
  EXPECT_EQ(script.State(), 1);
  EXPECT_FALSE(script.AllowUI(false));
  EXPECT_FALSE(script.AllowUI());
  EXPECT_EQ(script.SitehWnd(0x1F00), 0x1F00);
  EXPECT_EQ(script.SitehWnd(), 0x1F00);
}

}  // namespace
}  // namespace kestrilo
