#include "platform/platform_classes.h"

#include <gtest/gtest.h>

#include "runtime/automation_calls.h"

namespace kestrilo {
namespace {

TEST(PlatformClassesTest, EveryClassTheProgramNamesCanBeCreated) {
  RegisterPlatformClasses();
  RegisterPlatformClasses();  // a second start-up must not break anything
  for (const char* name : {"Adodb.Stream", "ADODB.Stream", "VBScript.RegExp", "ScriptControl"}) {
    ObjectRef object;
    EXPECT_TRUE(ObjCreate(object, name)) << name;
    EXPECT_NE(object, nullptr) << name;
  }
}

}  // namespace
}  // namespace kestrilo
