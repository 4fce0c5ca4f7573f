#include "tests/app/test_classes.h"

namespace kestrilo::testing {

std::unique_ptr<QObject> MakeWindowDefinitionTest();
std::unique_ptr<QObject> MakeWindowRuntimeTest();
std::unique_ptr<QObject> MakeMainWindowRunTest();
std::unique_ptr<QObject> MakeMessageWindowTest();

std::vector<std::function<std::unique_ptr<QObject>()>> TestClasses() {
  return {MakeWindowDefinitionTest, MakeWindowRuntimeTest, MakeMainWindowRunTest,
          MakeMessageWindowTest};
}

}  // namespace kestrilo::testing
