#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace kestrilo::testing {

// One factory per QTest class; each test file adds its own.
std::vector<std::function<std::unique_ptr<QObject>()>> TestClasses();

}  // namespace kestrilo::testing
