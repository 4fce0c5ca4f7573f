// Byte blocks: replacing as plain byte search, and reading values on through
// a block until its end mark.

#include <algorithm>
#include <optional>
#include <variant>

#include "runtime/bytes_commands.h"

#include "fuzz_input.h"

namespace {

using namespace kestrilo;
using kestrilo::fuzz::FuzzInput;

// A block may hold zero bytes, which separate the input's pieces: 0x01
// stands for zero inside a block.
Bytes Block(std::string_view piece) {
  Bytes block(piece.begin(), piece.end());
  std::replace(block.begin(), block.end(), std::uint8_t{1}, std::uint8_t{0});
  return block;
}

Bytes ExpectedReplace(const Bytes& block, const Bytes& sought, const Bytes& with,
                      std::optional<int> start, std::optional<int> count) {
  auto pos = block.begin() + std::min<std::ptrdiff_t>(start && *start > 1 ? *start - 1 : 0,
                                                      static_cast<std::ptrdiff_t>(block.size()));
  if (sought.empty() || pos == block.end()) return block;
  Bytes result(block.begin(), pos);
  for (long long left = count ? std::max(*count, 0) : -1; left != 0; --left) {
    const auto found = std::search(pos, block.end(), sought.begin(), sought.end());
    if (found == block.end()) break;
    result.insert(result.end(), pos, found);
    result.insert(result.end(), with.begin(), with.end());
    pos = found + static_cast<std::ptrdiff_t>(sought.size());
  }
  result.insert(result.end(), pos, block.end());
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::kMaxInput) return -1;
  FuzzInput in(data, size);
  const Bytes block = Block(in.NextText());
  const Bytes sought = Block(in.NextText());
  const std::optional<Bytes> with =
      in.Flag() ? std::optional<Bytes>(Block(in.NextText())) : std::nullopt;
  const std::optional<int> start = in.Position(block.size());
  const std::optional<int> count = in.Position(4);
  FUZZ_CHECK(ReplaceBytes(block, sought, with, start, count) ==
             ExpectedReplace(block, sought, with.value_or(Bytes{}), start, count));

  // Each read moves on, so a reader following the position always ends.
  int position = in.Position(block.size()).value_or(0);
  for (int reads = 0; position != -1; ++reads) {
    FUZZ_CHECK(reads <= static_cast<int>(block.size()) + 1);
    const int kind = static_cast<int>(in.Byte() % 12);
    const std::size_t offset = position > 1 ? static_cast<std::size_t>(position) - 1 : 0;
    const int before = position;
    const BytesValue value = BytesGetValue(block, kind, &position);
    if (kind < 1 || kind > 10) {
      FUZZ_CHECK(value.index() == 0 && position == before);
      position = -1;
      continue;
    }
    FUZZ_CHECK(value.index() == static_cast<std::size_t>(kind));
    FUZZ_CHECK(position == -1 || (position > before && position > 1 &&
                                  static_cast<std::size_t>(position) <= block.size()));
    if (kind == 1) {
      FUZZ_CHECK(std::get<1>(value) == (offset < block.size() ? block[offset] : 0));
    }
    if (kind == 10) {
      const Text& text = std::get<10>(value);
      const auto from = block.begin() + static_cast<std::ptrdiff_t>(std::min(offset, block.size()));
      FUZZ_CHECK(text.size() <= static_cast<std::size_t>(block.end() - from) &&
                 std::equal(text.begin(), text.end(), from, [](char a, std::uint8_t b) {
                   return a != 0 && static_cast<std::uint8_t>(a) == b;
                 }));
      // It runs to the block's first zero byte from there.
      FUZZ_CHECK(text.size() == static_cast<std::size_t>(std::find(from, block.end(), 0) - from));
    }
  }
  return 0;
}
