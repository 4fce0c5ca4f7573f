#include "runtime/automation_calls.h"

#include <gtest/gtest.h>

#include "runtime/gbk.h"

namespace kestrilo {
namespace {

// A small class with one member of every shape the calls have to bind.
class Probe : public DispatchObject {
 public:
  Probe() {
    Declare({
        Getter("Name", [this] { return Variant::Bstr(name_); }),
        Putter("Name", VarType::kBstr,
               [this](const Variant& v) {
                 name_ = v.bstr();
                 return HResult::kOk;
               }),
        Method("Join", {{VarType::kBstr}, {VarType::kBstr, true}, {VarType::kBstr, true}},
               [](std::span<Variant> a, Variant& r) {
                 std::u16string joined;
                 for (const Variant& v : a) joined += v.IsOmitted() ? u"<omitted>" : v.bstr();
                 r = Variant::Bstr(joined);
                 return HResult::kOk;
               }),
        Method("Twice", {{VarType::kI4}},
               [](std::span<Variant> a, Variant& r) {
                 r = Variant::I4(a[0].i4() * 2);
                 return HResult::kOk;
               }),
        Method("Bump", {{VarType::kI4, false, true}, {VarType::kBstr, true, true}},
               [](std::span<Variant> a, Variant&) {
                 a[0] = Variant::I4(a[0].i4() + 1);
                 if (!a[1].IsOmitted()) a[1] = Variant::Bstr(a[1].bstr() + u"!");
                 return HResult::kOk;
               }),
        Method("Fail", {},
               [this](std::span<Variant>, Variant&) { return Raise(u"broken on purpose"); }),
        Method("Sum", {},
               [](std::span<Variant> a, Variant& r) {
                 double sum = 0;
                 for (const Variant& v : a) sum += v.type() == VarType::kI4 ? v.i4() : 0;
                 r = Variant::R8(sum);
                 return HResult::kOk;
               }),
        Getter("Self", [this] { return Variant::Dispatch(self_.lock()); }),
    });
    // Run takes any number of arguments after none declared.
  }
  static std::shared_ptr<Probe> Make() {
    auto probe = std::make_shared<Probe>();
    probe->self_ = probe;
    return probe;
  }
  const TypeInfo* GetTypeInfo() const override {
    return no_type_info ? nullptr : DispatchObject::GetTypeInfo();
  }
  bool HasDispatch() const override { return !no_dispatch; }

  bool no_type_info = false;
  bool no_dispatch = false;

 private:
  std::u16string name_ = u"probe";
  std::weak_ptr<Probe> self_;
};

class AutomationCallsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterClass({"Kestrilo.Probe", "{11111111-2222-3333-4444-555555555555}",
                   [] { return ObjectRef(Probe::Make()); }});
    RegisterClass({"Kestrilo.Refuses", "", [] { return ObjectRef(); }});
  }
  void SetUp() override { ASSERT_TRUE(ObjCreate(probe, "Kestrilo.Probe")); }

  ObjectRef probe;
};

TEST_F(AutomationCallsTest, CreatesByProgIdInAnyCaseOrByClsid) {
  ObjectRef a, b;
  EXPECT_TRUE(ObjCreate(a, "kestrilo.PROBE"));
  EXPECT_TRUE(ObjCreate(b, "{11111111-2222-3333-4444-555555555555}"));
  EXPECT_NE(a, b);  // two objects, not one shared
}

TEST_F(AutomationCallsTest, FailedCreationKeepsTheOldObject) {
  ObjectRef slot = probe;
  EXPECT_FALSE(ObjCreate(slot, "No.Such.Class"));
  EXPECT_FALSE(ObjCreate(slot, "Kestrilo.Refuses"));
  EXPECT_EQ(slot, probe);
}

TEST_F(AutomationCallsTest, PropertiesReadAndWriteByName) {
  EXPECT_EQ(ObjGetText(probe, "name"), "probe");
  EXPECT_TRUE(ObjSetProperty(probe, "Name", {"关键词"_gbk}));
  EXPECT_EQ(ObjGetText(probe, "NAME"), "关键词"_gbk);
  EXPECT_EQ(ObjLastError(), "");
  // Numbers given for a text property are converted to its declared type.
  EXPECT_TRUE(ObjSetProperty(probe, "Name", {42}));
  EXPECT_EQ(ObjGetNumber(probe, "Name"), 42.0);
}

struct ErrorRow {
  const char* name;
  std::function<void(const ObjectRef&)> call;
  int code;
  const char* text;
};

class AutomationErrorTest : public AutomationCallsTest,
                            public ::testing::WithParamInterface<ErrorRow> {};

TEST_P(AutomationErrorTest, SetsTheLastErrorAndItsText) {
  GetParam().call(probe);
  EXPECT_EQ(ObjLastErrorCode(), GetParam().code);
  EXPECT_EQ(ObjLastError(), GbkFromUtf8(GetParam().text));
  // The next successful call clears it.
  ObjGetText(probe, "Name");
  EXPECT_EQ(ObjLastErrorCode(), 0);
  EXPECT_EQ(ObjLastError(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Calls, AutomationErrorTest,
    ::testing::Values(
        ErrorRow{"EmptyObject",
                 [](const ObjectRef&) { EXPECT_EQ(ObjGetText(nullptr, "Name"), ""); }, -1,
                 "对象为空"},
        ErrorRow{"NoDispatch",
                 [](const ObjectRef& p) {
                   static_cast<Probe&>(*p).no_dispatch = true;
                   ObjCall(p, "Fail");
                   static_cast<Probe&>(*p).no_dispatch = false;
                 },
                 -2, "指定对象没有调用接口"},
        ErrorRow{"UnknownMember", [](const ObjectRef& p) { EXPECT_EQ(ObjCallText(p, "Nope"), ""); },
                 -3, "未找到指定属性或方法"},
        ErrorRow{"NoTypeInfo",
                 [](const ObjectRef& p) {
                   static_cast<Probe&>(*p).no_type_info = true;
                   ObjCall(p, "Fail");
                   static_cast<Probe&>(*p).no_type_info = false;
                 },
                 -4, "指定对象没有类型信息"},
        ErrorRow{"TooManyArguments",
                 [](const ObjectRef& p) {
                   ObjCall(p, "Twice", {1, 2});
                 },
                 -5, "提供了过多的参数"},
        ErrorRow{"ByteBlockArgument", [](const ObjectRef& p) { ObjCall(p, "Twice", {Bytes{1}}); },
                 -7, "参数数据类型错误"},
        ErrorRow{"ResultNotAnObject",
                 [](const ObjectRef& p) { EXPECT_EQ(ObjCallObject(p, "Twice", {2}), nullptr); }, -8,
                 "执行成功，但返回值类型不匹配"},
        ErrorRow{"MissingRequiredArgument", [](const ObjectRef& p) { ObjCall(p, "Twice"); }, -9,
                 "参数数目错误"},
        ErrorRow{"ObjectRaised", [](const ObjectRef& p) { ObjCall(p, "Fail"); }, -11, "发现异常"},
        ErrorRow{"ArgumentOverflows", [](const ObjectRef& p) { ObjCall(p, "Twice", {1e12}); }, -14,
                 "溢出"},
        ErrorRow{"ArgumentNotANumber", [](const ObjectRef& p) { ObjCall(p, "Twice", {"abc"}); },
                 -16, "类型不匹配"},
        ErrorRow{"RequiredArgumentOmitted",
                 [](const ObjectRef& p) {
                   ObjCall(p, "Join", {Arg(), "x"});
                 },
                 -17, "必需的参数数据被省略"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(AutomationCallsTest, MiddleArgumentLeftOutArrivesOmittedTrailingOnesAreDropped) {
  EXPECT_EQ(ObjCallText(probe, "Join", {"a", Arg(), "c"}), "a<omitted>c");
  EXPECT_EQ(ObjCallText(probe, "Join", {"a", Arg(), Arg()}), "a<omitted><omitted>");
  // Trailing absent arguments do not count against the declared number.
  EXPECT_EQ(ObjCallText(probe, "Twice", {3, Arg(), Arg()}), "6");
}

TEST_F(AutomationCallsTest, ByReferenceOutputsAreWrittenBack) {
  std::int32_t count = 41;
  Text word = "hi";
  ObjCall(probe, "Bump", {Arg::Ref(count), Arg::Ref(word)});
  EXPECT_EQ(ObjLastErrorCode(), 0);
  EXPECT_EQ(count, 42);
  EXPECT_EQ(word, "hi!");
  // A value argument is never written to.
  ObjCall(probe, "Bump", {7});
  EXPECT_EQ(ObjLastErrorCode(), 0);
}

TEST_F(AutomationCallsTest, ExceptionDescriptionIsKeptForDiagnostics) {
  ObjCall(probe, "Fail");
  EXPECT_EQ(ObjLastExceptionDescription(), "broken on purpose");
}

TEST_F(AutomationCallsTest, ResultsConvertToTheRequestedKind) {
  EXPECT_EQ(ObjCallText(probe, "Twice", {"21"}), "42");
  EXPECT_EQ(ObjCallNumber(probe, "Twice", {2.5}), 4.0);  // 2.5 rounds to even
  EXPECT_TRUE(ObjGetBool(probe, "Twice", {1}));
  EXPECT_EQ(ObjGetObject(probe, "Self"), probe);
  EXPECT_EQ(ObjCallVariant(probe, "Twice", {4}), Variant::I4(8));
}

TEST(VariantCommandsTest, AssignCopyClearAndText) {
  Variant v;
  EXPECT_EQ(VarToText(v), "");
  EXPECT_TRUE(VarAssign(v, 12));
  EXPECT_EQ(VarToText(v), "12");
  EXPECT_TRUE(VarAssign(v, true));
  EXPECT_EQ(VarToText(v), "True");
  EXPECT_TRUE(VarAssign(v, 2.5));
  EXPECT_EQ(VarToText(v), "2.5");
  EXPECT_TRUE(VarAssign(v, "中文"_gbk));
  EXPECT_EQ(VarToText(v), "中文"_gbk);

  EXPECT_TRUE(VarAssign(v, Bytes{0x41, 0x42}));
  EXPECT_EQ(v.type(), VarType::kArrayOfUI1);
  EXPECT_TRUE(VarAssign(v, 0x43, 1));
  EXPECT_EQ(v.bytes(), (Bytes{0x41, 0x43}));
  EXPECT_FALSE(VarAssign(v, 1, 5));
  EXPECT_EQ(VarToText(v, 0), "65");

  EXPECT_TRUE(VarAssign(v, TextList{"a", "b"}));
  EXPECT_EQ(VarToText(v, 1), "b");

  Variant copy;
  VarCopy(copy, v);
  EXPECT_EQ(copy, v);
  VarClear(v);
  EXPECT_TRUE(v.IsEmpty());
  EXPECT_FALSE(copy.IsEmpty());
}

}  // namespace
}  // namespace kestrilo
