#include "platform/script_control.h"

#include <chrono>
#include <ostream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "runtime/automation_calls.h"
#include "runtime/gbk.h"

namespace kestrilo {
namespace {

constexpr int kException = -11;

class ScriptControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterScriptControl();
    RegisterScriptControl();  // a second registration must not disturb the first
    ASSERT_TRUE(ObjCreate(engine_, "ScriptControl"));
    ASSERT_TRUE(ObjSetProperty(engine_, "Language", {"JScript"}));
  }

  Variant Eval(std::string_view expression) {
    const Variant value = ObjCallVariant(engine_, "Eval", {Text(expression)});
    EXPECT_EQ(ObjLastErrorCode(), 0) << expression << ": " << ObjLastExceptionDescription();
    return value;
  }

  // Whether the last call failed as a script error, with a description that
  // contains `expected`.
  static ::testing::AssertionResult RaisedWith(std::string_view expected) {
    if (ObjLastErrorCode() != kException) {
      return ::testing::AssertionFailure() << "code " << ObjLastErrorCode();
    }
    const Text description = ObjLastExceptionDescription();
    if (description.find(expected) == Text::npos) {
      return ::testing::AssertionFailure() << "description \"" << description << "\"";
    }
    return ::testing::AssertionSuccess();
  }

  ObjectRef engine_;
};

struct ValueRow {
  std::string_view name;
  std::string_view expression;
  Variant expected;
};

void PrintTo(const ValueRow& row, std::ostream* os) { *os << row.name; }

const ValueRow kValueRows[] = {
    {"GivesAnIntegralSumAsI4", "6 * 7", Variant::I4(42)},
    {"GivesAFractionAsR8", "0.5 * 3", Variant::R8(1.5)},
    {"GivesAnIntegerPast32BitsAsR8", "Math.pow(2, 31)", Variant::R8(2147483648.0)},
    {"GivesNegativeZeroAsR8", "-0", Variant::R8(-0.0)},
    {"GivesAStringAsBstr", "'long' + 'tail'", Variant::Bstr(u"longtail")},
    {"ReadsEscapesInStringLiterals", "'\\u957f\\u5c3e'.length", Variant::I4(2)},
    {"GivesAComparisonAsBool", "1 < 2", Variant::Bool(true)},
    {"GivesUndefinedAsEmpty", "undefined", Variant()},
    {"GivesNullAsEmpty", "null", Variant()},
    {"GivesAnArrayAsItsStringForm", "[1, 'a', 2]", Variant::Bstr(u"1,a,2")},
    {"RunsAnObjectsOwnToString", "({toString: function() { return 'me'; }})", Variant::Bstr(u"me")},
};

class ScriptControlValueTest : public ScriptControlTest,
                               public ::testing::WithParamInterface<ValueRow> {};

TEST_P(ScriptControlValueTest, EvalConvertsTheResult) {
  EXPECT_EQ(Eval(GetParam().expression), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, ScriptControlValueTest, ::testing::ValuesIn(kValueRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(ScriptControlTest, EvalOfAChineseStringComesBackInGbk) {
  EXPECT_EQ(ObjCallText(engine_, "Eval", {"'长尾' + '词'"_gbk}), "长尾词"_gbk);
  EXPECT_EQ(ObjCallNumber(engine_, "Eval", {"'长尾词'.length"_gbk}), 3.0);
}

TEST_F(ScriptControlTest, RunCallsAnAddedFunctionWithEveryArgument) {
  ObjCall(engine_, "AddCode",
          {"function describe() { var out = [];"
           " for (var i = 0; i < arguments.length; i++) out.push(typeof arguments[i] + ':' + "
           "arguments[i]);"
           " return out.join('|'); }"});
  ASSERT_EQ(ObjLastErrorCode(), 0) << ObjLastExceptionDescription();
  EXPECT_EQ(ObjCallText(engine_, "Run", {"describe", "词"_gbk, 7, 2.5, true}),
            "string:词|number:7|number:2.5|boolean:true"_gbk);
  EXPECT_EQ(ObjCallText(engine_, "Run", {"describe"}), "");
  EXPECT_EQ(ObjLastErrorCode(), 0);
}

TEST_F(ScriptControlTest, StatementsKeepTheirDefinitionsForLaterCalls) {
  ObjCall(engine_, "ExecuteStatement", {"var base = 40; function add(n) { return base + n; }"});
  ASSERT_EQ(ObjLastErrorCode(), 0) << ObjLastExceptionDescription();
  EXPECT_EQ(ObjCallNumber(engine_, "Run", {"add", 2}), 42.0);
  EXPECT_EQ(Eval("base"), Variant::I4(40));
}

struct FailureRow {
  std::string_view name;
  std::string_view setup;  // run first with ExecuteStatement
  std::string_view call;   // "Run:" + a function name, or an expression to Eval
  std::string_view description_part;
};

void PrintTo(const FailureRow& row, std::ostream* os) { *os << row.name; }

constexpr FailureRow kFailureRows[] = {
    {"RunOfAnUnknownFunctionNamesIt", "", "Run:nowhere", "nowhere"},
    {"RunOfSomethingNotCallable", "var plain = 1;", "Run:plain", "TypeError"},
    {"ASyntaxError", "", "1 +* 2", "SyntaxError"},
    {"AnUncaughtThrowCarriesItsMessage", "", "(function() { throw new Error('boom'); })()", "boom"},
    {"AThrownPlainString", "", "(function() { throw 'bare'; })()", "bare"},
    {"AnUnknownIdentifier", "", "missing + 1", "ReferenceError"},
    {"AThrownObjectWhoseToStringThrows", "",
     "(function() { throw {toString: function() { throw 1; }}; })()", "error"},
};

class ScriptControlFailureTest : public ScriptControlTest,
                                 public ::testing::WithParamInterface<FailureRow> {};

TEST_P(ScriptControlFailureTest, FailsAsAnExceptionAndTheEngineGoesOn) {
  const FailureRow& row = GetParam();
  if (!row.setup.empty()) ObjCall(engine_, "ExecuteStatement", {Text(row.setup)});
  Variant result;
  if (row.call.starts_with("Run:")) {
    result = ObjCallVariant(engine_, "Run", {Text(row.call.substr(4))});
  } else {
    result = ObjCallVariant(engine_, "Eval", {Text(row.call)});
  }
  EXPECT_TRUE(RaisedWith(row.description_part));
  EXPECT_TRUE(result.IsEmpty());
  EXPECT_EQ(Eval("1 + 1"), Variant::I4(2));
}

INSTANTIATE_TEST_SUITE_P(Failures, ScriptControlFailureTest, ::testing::ValuesIn(kFailureRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(ScriptControlTest, RefusesAnyLanguageButJScriptAndKeepsTheOld) {
  EXPECT_FALSE(ObjSetProperty(engine_, "Language", {"vbs"}));
  EXPECT_TRUE(RaisedWith("vbs"));
  EXPECT_EQ(ObjGetText(engine_, "Language"), "JScript");
  EXPECT_TRUE(ObjSetProperty(engine_, "Language", {"jSCRIPT"}));
  EXPECT_EQ(ObjGetText(engine_, "Language"), "JScript");
}

TEST_F(ScriptControlTest, TimeoutStopsARunawayScriptEvenOneThatCatchesTheStop) {
  EXPECT_EQ(ObjGetNumber(engine_, "Timeout"), 10000.0);
  ASSERT_TRUE(ObjSetProperty(engine_, "Timeout", {200}));
  for (const char* runaway :
       {"while (true) {}", "for (;;) { try { while (true) {} } catch (e) { continue; } }"}) {
    const auto start = std::chrono::steady_clock::now();
    ObjCall(engine_, "ExecuteStatement", {runaway});
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(RaisedWith("timeout")) << runaway;
    EXPECT_GE(took, std::chrono::milliseconds(200)) << runaway;
    EXPECT_LT(took, std::chrono::seconds(5)) << runaway;
    EXPECT_EQ(Eval("'still ' + 'here'"), Variant::Bstr(u"still here"));
  }
}

TEST_F(ScriptControlTest, TimeoutOfZeroStopsAtOnceAndMinusOneNever) {
  constexpr std::string_view kLoop = "var n = 0; for (var i = 0; i < 100000; i++) n += i; n";
  ASSERT_TRUE(ObjSetProperty(engine_, "Timeout", {0}));
  ObjCall(engine_, "Eval", {Text(kLoop)});
  EXPECT_TRUE(RaisedWith("timeout"));
  ASSERT_TRUE(ObjSetProperty(engine_, "Timeout", {-1}));
  EXPECT_EQ(Eval(kLoop), Variant::R8(4999950000.0));
  EXPECT_FALSE(ObjSetProperty(engine_, "Timeout", {-2}));
  EXPECT_EQ(ObjGetNumber(engine_, "Timeout"), -1.0);
}

TEST_F(ScriptControlTest, ResetForgetsDefinitionsButKeepsTheSettings) {
  ObjCall(engine_, "AddCode", {"function kept() { return 1; }"});
  ObjSetProperty(engine_, "Timeout", {1234});
  ObjCall(engine_, "Reset");
  ASSERT_EQ(ObjLastErrorCode(), 0);
  ObjCallText(engine_, "Run", {"kept"});
  EXPECT_TRUE(RaisedWith("kept"));
  EXPECT_EQ(ObjGetText(engine_, "Language"), "JScript");
  EXPECT_EQ(ObjGetNumber(engine_, "Timeout"), 1234.0);
  EXPECT_EQ(Eval("typeof kept"), Variant::Bstr(u"undefined"));
}

TEST_F(ScriptControlTest, CharactersOutsideTheBasicPlaneCrossBothWays) {
  const std::u16string grin = u"\U0001F600";
  // Built from its surrogates inside the engine.
  EXPECT_EQ(Eval("String.fromCharCode(0xD83D, 0xDE00)"), Variant::Bstr(grin));
  ObjCall(engine_, "AddCode",
          {"function units(s) { return s.length + ':' + s.charCodeAt(0).toString(16); }"
           " function same(s) { return s; }"});
  // Coming in, it is two characters, as in JScript.
  EXPECT_EQ(ObjCallText(engine_, "Run", {"units", Variant::Bstr(grin)}), "2:d83d");
  EXPECT_EQ(ObjCallVariant(engine_, "Run", {"same", Variant::Bstr(u"a" + grin + u"b")}),
            Variant::Bstr(u"a" + grin + u"b"));
  EXPECT_EQ(ObjCallText(engine_, "Run", {"escape", Variant::Bstr(grin)}), "%uD83D%uDE00");
}

TEST_F(ScriptControlTest, TheHeapOffersNoWayOut) {
  // "Duktape" included: its finalizers would run script code outside any call.
  for (const char* name :
       {"require", "print", "alert", "process", "module", "exports", "XMLHttpRequest",
        "ActiveXObject", "WScript", "fetch", "load", "Duktape"}) {
    EXPECT_EQ(Eval(std::string("typeof ") + name), Variant::Bstr(u"undefined")) << name;
  }
}

TEST_F(ScriptControlTest, IsCreatableByItsOtherNameAndItsClsid) {
  for (const char* name :
       {"MSScriptControl.ScriptControl", "{0e59f1d5-1fbe-11d0-8ff2-00a0d10038bc}"}) {
    ObjectRef other;
    ASSERT_TRUE(ObjCreate(other, name)) << name;
    EXPECT_EQ(ObjCallNumber(other, "Eval", {"2 + 2"}), 4.0) << name;
  }
}

}  // namespace
}  // namespace kestrilo
