#pragma once

#include <ostream>
#include <string>

#include <gtest/gtest.h>

// In the unnamed namespace, the one that holds each test file's row types, so
// that argument-dependent lookup finds PrintTo for them.
namespace kestrilo {
namespace {

// Names each TEST_P instance after its row's `name`, a sentence in CamelCase.
struct RowName {
  template <typename Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
    return row.param.name;
  }
};

// Shows a failing row by its name rather than as a dump of its bytes.
template <typename Row>
requires requires(const Row& row) { std::string(row.name); }
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

}  // namespace
}  // namespace kestrilo
