#pragma once

// Byte-block commands. They count plain bytes: no double-byte rule.

#include <cstdint>
#include <optional>
#include <variant>

#include "runtime/types.h"

namespace kestrilo {

Bytes LeftBytes(const Bytes& block, int n);
// Unlike MidText, a start below 1 counts as 1.
Bytes MidBytes(const Bytes& block, int start, int n);
Bytes ReplaceBytes(const Bytes& block, const Bytes& sought,
                   const std::optional<Bytes>& replacement = {}, std::optional<int> start = {},
                   std::optional<int> count = {});
Bytes ZeroBytes(int n);
Bytes BytesAtAddress(const void* address, int n);

// What BytesGetValue gives for a kind outside 1..10: the runtime's refusal.
struct BytesValueError {
  Text message;
  friend bool operator==(const BytesValueError&, const BytesValueError&) = default;
};

// The alternative's index is the kind that was read: 1 byte, 2 short, 3 int,
// 4 int64, 5 float, 6 double, 7 bool, 8 date-time, 9 routine address,
// 10 text; index 0 is the refusal of any other kind.
using BytesValue = std::variant<BytesValueError, std::uint8_t, std::int16_t, std::int32_t,
                                std::int64_t, float, double, bool, DateTime, RoutineAddress, Text>;

// Reads one value at the 1-based `*position` (start of the block when
// `position` is null or holds 0 or less, except that -1, the end mark a read
// leaves, stays at the end). Fixed widths pad with zero bytes
// past the end; a text stops at its zero byte. A given position is moved
// past what was read (past the zero byte of a text), or set to -1 once it
// reaches the end of the block.
BytesValue BytesGetValue(const Bytes& block, int kind, int* position = nullptr);

}  // namespace kestrilo
