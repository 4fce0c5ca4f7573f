#include "platform/os_version.h"

#include <ostream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace kestrilo {
namespace {

constexpr std::uint32_t kMarker = 0x530000;

struct VersionRow {
  std::string_view name;
  OsVersion version;
  int expected;
};

void PrintTo(const VersionRow& row, std::ostream* os) { *os << row.name; }

OsVersion Nt(std::uint32_t major, std::uint32_t minor) { return {major, minor}; }
OsVersion Win9x(std::uint32_t at_58, std::uint32_t at_54, std::uint32_t at_7c) {
  return {4, 10, true, {at_58, at_54, at_7c}};
}

class WindowsVersionClassTest : public ::testing::TestWithParam<VersionRow> {};

TEST_P(WindowsVersionClassTest, Classifies) {
  EXPECT_EQ(WindowsVersionClass(GetParam().version), GetParam().expected);
}

// clang-format off
const VersionRow kVersionRows[] = {
    {"Win9xByTheWordAt0x58", Win9x(kMarker, 0, 0), 1},
    {"Win9xByTheWordAt0x54", Win9x(0, kMarker, 0), 2},
    {"Win9xByTheWordAt0x7C", Win9x(0, 0, kMarker), 3},
    {"Win9xTestsTheWordsInOrder", Win9x(0, kMarker, kMarker), 2},
    {"Win9xWithoutTheMarkerIsZero", Win9x(0x520000, 0x530001, 0), 0},
    {"Win9xWinsOverAModernNumber", OsVersion{10, 0, true, {}}, 0},
    {"Nt351IsFour", Nt(3, 51), 4},
    {"Nt4IsFour", Nt(4, 0), 4},
    {"Windows2000IsFive", Nt(5, 0), 5},
    {"XpIsSix", Nt(5, 1), 6},
    {"Server2003IsSeven", Nt(5, 2), 7},
    {"FiveThreeIsTwelve", Nt(5, 3), 12},
    {"VistaIsEight", Nt(6, 0), 8},
    {"Windows7IsNine", Nt(6, 1), 9},
    {"Windows8IsTen", Nt(6, 2), 10},
    {"Windows81IsEleven", Nt(6, 3), 11},
    {"SixFourIsTwelve", Nt(6, 4), 12},
    {"SixFiveIsZero", Nt(6, 5), 0},
    {"SixTenIsZero", Nt(6, 10), 0},
    {"SevenIsTwelve", Nt(7, 0), 12},
    {"Windows10IsTwelve", Nt(10, 0), 12},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, WindowsVersionClassTest, ::testing::ValuesIn(kVersionRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(CurrentOsVersionTest, ThisHostKeepsTheSystemLook) {
  EXPECT_EQ(WindowsVersionClass(CurrentOsVersion()), 12);
}

}  // namespace
}  // namespace kestrilo
