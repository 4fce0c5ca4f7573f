#include "runtime/bytes_commands.h"

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

#include <gtest/gtest.h>

#include "runtime/conversion.h"
#include "runtime/gbk.h"
#include "runtime/text_commands.h"

#include "support/named_rows.h"

namespace kestrilo {
namespace {

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

template <std::size_t Kind, typename T>
BytesValue Value(T value) {
  return BytesValue(std::in_place_index<Kind>, std::move(value));
}

struct GetValueRow {
  const char* name;
  Bytes block;
  int kind;
  int position;  // 0: no position variable
  BytesValue expected;
  int next_position;
};

class BytesGetValueTest : public ::testing::TestWithParam<GetValueRow> {};

TEST_P(BytesGetValueTest, ReadsAndAdvances) {
  const GetValueRow& row = GetParam();
  int position = row.position;
  EXPECT_EQ(BytesGetValue(row.block, row.kind, row.position != 0 ? &position : nullptr),
            row.expected);
  if (row.position != 0) {
    EXPECT_EQ(position, row.next_position);
  }
}

const Bytes kText = {'a', 'b', 0, 'c', 'd'};

INSTANTIATE_TEST_SUITE_P(
    Rows, BytesGetValueTest,
    ::testing::Values(
        GetValueRow{"ByteWithoutPosition", {7, 8}, 1, 0, Value<1>(std::uint8_t{7}), 0},
        GetValueRow{"ByteAtPosition", {7, 8, 9}, 1, 2, Value<1>(std::uint8_t{8}), 3},
        GetValueRow{"Short", Join({{1}, ToBytes(std::int16_t{-300}), {1}}), 2, 2,
                    Value<2>(std::int16_t{-300}), 4},
        GetValueRow{"IntReachingTheEnd", ToBytes(-5), 3, 1, Value<3>(-5), -1},
        GetValueRow{"Int64", Join({ToBytes(std::int64_t{1} << 40), {0}}), 4, 1,
                    Value<4>(std::int64_t{1} << 40), 9},
        GetValueRow{"Float", ToBytes(1.5f), 5, 1, Value<5>(1.5f), -1},
        GetValueRow{"Double", ToBytes(-0.25), 6, 1, Value<6>(-0.25), -1},
        GetValueRow{"BoolFromAnyNonZeroByte", {0, 0, 1, 0}, 7, 1, Value<7>(true), -1},
        GetValueRow{"DateTime", ToBytes(DateTime{45356.5}), 8, 1, Value<8>(DateTime{45356.5}), -1},
        GetValueRow{"RoutineAddress", ToBytes(RoutineAddress{0xCAFE}), 9, 1,
                    Value<9>(RoutineAddress{0xCAFE}), -1},
        GetValueRow{"TextStopsAfterItsZeroByte", kText, 10, 1, Value<10>(Text("ab")), 4},
        GetValueRow{"TextRunsToTheEnd", kText, 10, 4, Value<10>(Text("cd")), -1},
        GetValueRow{"TextEndingInZeroByteReachesTheEnd", {'a', 0}, 10, 1, Value<10>(Text("a")), -1},
        GetValueRow{"ShortBlockIsPaddedWithZeros", {0x01, 0x02}, 3, 1, Value<3>(0x0201), -1},
        GetValueRow{"ReadPastTheEndIsZero", {1, 2, 3}, 2, 3, Value<2>(std::int16_t{3}), -1},
        GetValueRow{"PositionBeyondTheBlock", {1}, 1, 10, Value<1>(std::uint8_t{0}), -1},
        GetValueRow{"EndMarkReadsNothing", {'a', 0}, 10, -1, Value<10>(Text()), -1},
        GetValueRow{
            "NegativePositionReadsFromTheStart", {7, 8}, 1, -3, Value<1>(std::uint8_t{7}), 2}),
    RowName());

TEST(BytesGetValueTest, RefusesUnknownKinds) {
  const BytesValue refusal = BytesValueError{
      "\xA1\xB0\xD3\xFB\xC8\xA1\xB3\xF6\xCA\xFD\xBE\xDD\xB5\xC4\xC0\xE0\xD0\xCD\xA1\xB1"
      "\xB2\xCE\xCA\xFD\xD6\xB5\xCE\xDE\xD0\xA7"};
  EXPECT_EQ(std::get<0>(refusal).message, "“欲取出数据的类型”参数值无效"_gbk);
  for (const int kind : {0, 11, -1}) EXPECT_EQ(BytesGetValue({1, 2}, kind), refusal) << kind;
}

TEST(ByteSlicingTest, CountsPlainBytes) {
  const Bytes abc = {'a', 'b', 'c'};
  EXPECT_EQ(MidBytes(abc, 0, 2), (Bytes{'a', 'b'}));
  EXPECT_EQ(MidBytes(abc, -4, 1), (Bytes{'a'}));
  EXPECT_EQ(MidBytes(abc, 2, 10), (Bytes{'b', 'c'}));
  EXPECT_EQ(MidBytes(abc, 4, 1), Bytes{});
  EXPECT_EQ(MidBytes(abc, 1, -1), Bytes{});
  EXPECT_EQ(LeftBytes(abc, 9), abc);
  EXPECT_EQ(LeftBytes(abc, -1), Bytes{});
  EXPECT_EQ(ZeroBytes(3), (Bytes{0, 0, 0}));
  EXPECT_EQ(ZeroBytes(-1), Bytes{});
}

TEST(ReplaceBytesTest, MatchesByteWiseWithTextRules) {
  const Bytes aaa = {'a', 'a', 'a'};
  const Bytes a = {'a'};
  const Bytes aa = {'a', 'a'};
  EXPECT_EQ(ReplaceBytes(aaa, a, aa), Bytes(6, 'a'));
  EXPECT_EQ(ReplaceBytes(aaa, a, aa, {}, 1), Bytes(4, 'a'));
  EXPECT_EQ(ReplaceBytes(aaa, a, aa, 3), Bytes(4, 'a'));
  EXPECT_EQ(ReplaceBytes(aaa, a, aa, {}, 0), aaa);
  EXPECT_EQ(ReplaceBytes(aaa, a, aa, {}, -2), aaa);
  EXPECT_EQ(ReplaceBytes(aaa, a, aa, 4), aaa);
  EXPECT_EQ(ReplaceBytes(aaa, {}, aa), aaa);
  EXPECT_EQ(ReplaceBytes({'a', '-', 'b'}, {'-'}), (Bytes{'a', 'b'}));
  // No double-byte rule: the 'a' inside a GBK character is replaced too.
  EXPECT_EQ(ReplaceBytes({0xB0, 'a', 'a'}, a, Bytes{'b'}), (Bytes{0xB0, 'b', 'b'}));
}

TEST(AddressCommandsTest, CopyFromMemory) {
  const char source[] = "abc";
  EXPECT_EQ(BytesAtAddress(source, 4), (Bytes{'a', 'b', 'c', 0}));
  EXPECT_EQ(BytesAtAddress(source, 0), Bytes{});
  EXPECT_EQ(TextAtAddress(source), "abc");
  EXPECT_EQ(TextAtAddress(nullptr), "");
}

}  // namespace
}  // namespace kestrilo
