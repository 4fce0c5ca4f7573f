#include "runtime/conversion.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "runtime/gbk.h"

#include "support/named_rows.h"

namespace kestrilo {
namespace {

TEST(ToTextTest, FormatsIntegersAndBools) {
  EXPECT_EQ(ToText(std::int32_t{-42}), "-42");
  EXPECT_EQ(ToText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(ToText(std::int16_t{-32768}), "-32768");
  EXPECT_EQ(ToText(std::uint8_t{200}), "200");
  EXPECT_EQ(ToText(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(ToText(true), "\xD5\xE6");
  EXPECT_EQ(ToText(false), "假"_gbk);
  EXPECT_EQ(ToText(Bytes{'a', 'b', 0, 'c', 'd'}), "ab");
}

struct DateRow {
  const char* name;
  DateTime value;
  std::string expected;  // UTF-8
};

class DateTimeTextTest : public ::testing::TestWithParam<DateRow> {};

TEST_P(DateTimeTextTest, Formats) {
  EXPECT_EQ(Utf8FromGbk(ToText(GetParam().value)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DateTimeTextTest,
    ::testing::Values(
        DateRow{"MidnightShowsOnlyTheDate", DateTimeFromParts(2024, 3, 5), "2024年3月5日"},
        DateRow{"ZeroSecondsShowHourAndMinute", DateTimeFromParts(2024, 3, 5, 9, 5),
                "2024年3月5日9时5分"},
        DateRow{"SecondsShowZeroMinute", DateTimeFromParts(2024, 3, 5, 9, 0, 7),
                "2024年3月5日9时0分7秒"},
        DateRow{"WholeHourShowsOnlyTheHour", DateTimeFromParts(2024, 3, 5, 9), "2024年3月5日9时"},
        DateRow{"SerialNumberCountsFromDayZero", DateTime{45356.375}, "2024年3月5日9时"},
        DateRow{"NineteenHundredIsNoLeapYear", DateTime{61.0}, "1900年3月1日"},
        // Before day 0 the integer part still picks the day and the fraction's
        // magnitude is the time.
        DateRow{"BeforeDayZeroWithTime", DateTime{-1.25}, "1899年12月29日6时"},
        DateRow{"BeforeDayZeroFromParts", DateTimeFromParts(1800, 1, 2, 18, 30),
                "1800年1月2日18时30分"},
        DateRow{"NegativeFractionOfDayZero", DateTime{-0.5}, "1899年12月30日12时"},
        DateRow{"ClampedBelowYear100", DateTime{-1e9}, "100年1月1日23时59分59秒"},
        DateRow{"ClampedAboveYear9999", DateTime{1e9}, "9999年12月31日23时59分59秒"},
        // The clamp keeps the time of day on the first and the last day.
        DateRow{"LastDayKeepsItsTime", DateTimeFromParts(9999, 12, 31, 16), "9999年12月31日16时"},
        DateRow{"FirstDayKeepsItsTime", DateTimeFromParts(100, 1, 1, 12, 30),
                "100年1月1日12时30分"},
        DateRow{"RoundingCarriesIntoLeapDay",
                DateTime{DateTimeFromParts(2024, 2, 28).days + 86399.6 / 86400}, "2024年2月29日"},
        DateRow{"RoundingCarriesBeforeDayZero", DateTime{-2.99999999}, "1899年12月29日"}),
    RowName());

TEST(ToTextTest, DateUsesGbkUnitCharacters) {
  EXPECT_EQ(ToText(DateTimeFromParts(2024, 3, 5, 9, 0, 7)),
            "2024\xC4\xEA"
            "3\xD4\xC2"
            "5\xC8\xD5"
            "9\xCA\xB1"
            "0\xB7\xD6"
            "7\xC3\xEB");
}

struct ToIntRow {
  const char* name;
  std::string text;
  std::int32_t expected;
};

class ToIntTextTest : public ::testing::TestWithParam<ToIntRow> {};

TEST_P(ToIntTextTest, Reads) { EXPECT_EQ(ToInt(GetParam().text), GetParam().expected); }

constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();

INSTANTIATE_TEST_SUITE_P(
    Rows, ToIntTextTest,
    ::testing::Values(ToIntRow{"FullWidthDigits", "\xA3\xB1\xA3\xB2\xA3\xB3", 123},
                      ToIntRow{"StopsAtFirstNonDigit", "12ab", 12},
                      ToIntRow{"EmptyTextIsZero", "", 0},
                      ToIntRow{"GbkCharacterIsNoDigit", std::string("\xB0\xA1") + "5", 0},
                      ToIntRow{"LeadingBlanksSkipped", " \t\n42", 42},
                      ToIntRow{"FullWidthSpaceSkipped", std::string("\xA1\xA1") + "42", 42},
                      ToIntRow{"MinusSign", "-7", -7},
                      ToIntRow{"FullWidthMinus", std::string("\xA3\xAD") + "5", -5},
                      ToIntRow{"SignMustTouchDigits", "- 5", 0},
                      ToIntRow{"ClampsJustPastLargest", "2147483648", kIntMax},
                      ToIntRow{"ClampsFarPastLargest", "99999999999999999999999", kIntMax},
                      ToIntRow{"SmallestIntExactly", "-2147483648", kIntMin},
                      ToIntRow{"ClampsJustPastSmallest", "-2147483649", kIntMin},
                      ToIntRow{"ClampsFarPastSmallest", "-99999999999999999999999", kIntMin}),
    RowName());

TEST(ToIntTest, FullWidthDigitsFromSourceLiteral) { EXPECT_EQ(ToInt("１２３"_gbk), 123); }

TEST(ToIntTest, NumbersTruncateTowardZeroAndClamp) {
  EXPECT_EQ(ToInt(2.9), 2);
  EXPECT_EQ(ToInt(-2.9), -2);
  EXPECT_EQ(ToInt(3.7f), 3);
  EXPECT_EQ(ToInt(1e10), kIntMax);
  EXPECT_EQ(ToInt(-1e10), kIntMin);
  EXPECT_EQ(ToInt(std::nan("")), 0);
  EXPECT_EQ(ToInt(std::int16_t{-5}), -5);
  EXPECT_EQ(ToInt(std::uint8_t{200}), 200);
  EXPECT_EQ(ToInt(RoutineAddress{0xFFFFFFFFu}), -1);
}

TEST(FloorIntTest, SnapsNearIntegersBeforeTakingTheFloor) {
  EXPECT_EQ(FloorInt(2.9999999999995), 3);
  EXPECT_EQ(FloorInt(-2.9999999999995), -3);
  EXPECT_EQ(FloorInt(2.999999), 2);
  EXPECT_EQ(FloorInt(2.5), 2);
  EXPECT_EQ(FloorInt(-2.5), -3);
  EXPECT_EQ(FloorInt(-0.5), -1);
  EXPECT_EQ(FloorInt(1e12), kIntMax);
}

TEST(ToBytesTest, GivesLittleEndianImages) {
  EXPECT_EQ(ToBytes(std::uint8_t{0xAB}), (Bytes{0xAB}));
  EXPECT_EQ(ToBytes(std::int16_t{0x1234}), (Bytes{0x34, 0x12}));
  EXPECT_EQ(ToBytes(std::int32_t{-2}), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(ToBytes(1.0f), (Bytes{0, 0, 0x80, 0x3F}));
  EXPECT_EQ(ToBytes(true), (Bytes{1, 0, 0, 0}));
  EXPECT_EQ(ToBytes(RoutineAddress{0x01020304}), (Bytes{4, 3, 2, 1}));
  EXPECT_EQ(ToBytes(std::int64_t{0x0102030405060708}), (Bytes{8, 7, 6, 5, 4, 3, 2, 1}));
  EXPECT_EQ(ToBytes(1.0), (Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
  EXPECT_EQ(ToBytes(DateTime{1.0}), ToBytes(1.0));
  EXPECT_EQ(ToBytes("a\xB0"), (Bytes{'a', 0xB0}));
  EXPECT_EQ(ToBytes(""), Bytes{});
  EXPECT_EQ(ToBytes(std::vector<std::int16_t>{1, -1}), (Bytes{1, 0, 0xFF, 0xFF}));
}

}  // namespace
}  // namespace kestrilo
