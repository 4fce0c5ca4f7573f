#include "runtime/bytes_commands.h"

#include <algorithm>
#include <cstring>

#include "runtime/gbk.h"

namespace kestrilo {
namespace {

template <typename T>
T ReadPadded(const Bytes& block, std::size_t offset) {
  unsigned char image[sizeof(T)] = {};
  if (offset < block.size()) {
    std::memcpy(image, block.data() + offset, std::min(sizeof(T), block.size() - offset));
  }
  T value;
  std::memcpy(&value, image, sizeof(T));
  return value;
}

}  // namespace

Bytes LeftBytes(const Bytes& block, int n) {
  if (n < 0) return {};
  const auto count = std::min(block.size(), static_cast<std::size_t>(n));
  return Bytes(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(count));
}

Bytes MidBytes(const Bytes& block, int start, int n) {
  const std::size_t offset = start > 1 ? static_cast<std::size_t>(start) - 1 : 0;
  if (offset >= block.size() || n <= 0) return {};
  const auto count = std::min(block.size() - offset, static_cast<std::size_t>(n));
  const auto first = block.begin() + static_cast<std::ptrdiff_t>(offset);
  return Bytes(first, first + static_cast<std::ptrdiff_t>(count));
}

Bytes ReplaceBytes(const Bytes& block, const Bytes& sought, const std::optional<Bytes>& replacement,
                   std::optional<int> start, std::optional<int> count) {
  const std::size_t begin = (start && *start > 1) ? static_cast<std::size_t>(*start) - 1 : 0;
  long long remaining = count ? std::max(*count, 0) : -1;  // -1: unlimited
  if (block.empty() || sought.empty() || begin >= block.size() || remaining == 0) return block;

  Bytes result(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(begin));
  result.reserve(block.size());
  std::size_t pos = begin;
  while (remaining != 0 && block.size() - pos >= sought.size()) {
    if (std::memcmp(block.data() + pos, sought.data(), sought.size()) == 0) {
      if (replacement) result.insert(result.end(), replacement->begin(), replacement->end());
      pos += sought.size();
      if (remaining > 0) --remaining;
    } else {
      result.push_back(block[pos++]);
    }
  }
  result.insert(result.end(), block.begin() + static_cast<std::ptrdiff_t>(pos), block.end());
  return result;
}

Bytes ZeroBytes(int n) { return n <= 0 ? Bytes{} : Bytes(static_cast<std::size_t>(n), 0); }

Bytes BytesAtAddress(const void* address, int n) {
  if (address == nullptr || n <= 0) return {};
  const auto* first = static_cast<const std::uint8_t*>(address);
  return Bytes(first, first + n);
}

BytesValue BytesGetValue(const Bytes& block, int kind, int* position) {
  std::size_t offset = 0;
  if (position != nullptr) {
    // -1 is what a previous read left at the end: reading on from there finds
    // nothing rather than starting over, so a reader that misses the -1
    // cannot go round for ever.
    if (*position == -1) offset = block.size();
    if (*position > 1) offset = static_cast<std::size_t>(*position) - 1;
  }
  std::size_t width = 0;
  BytesValue value;
  switch (kind) {
    case 1:
      value = ReadPadded<std::uint8_t>(block, offset);
      width = 1;
      break;
    case 2:
      value = ReadPadded<std::int16_t>(block, offset);
      width = 2;
      break;
    case 3:
      value = ReadPadded<std::int32_t>(block, offset);
      width = 4;
      break;
    case 4:
      value = ReadPadded<std::int64_t>(block, offset);
      width = 8;
      break;
    case 5:
      value = ReadPadded<float>(block, offset);
      width = 4;
      break;
    case 6:
      value = ReadPadded<double>(block, offset);
      width = 8;
      break;
    case 7:
      value = ReadPadded<std::int32_t>(block, offset) != 0;
      width = 4;
      break;
    case 8:
      value = DateTime{ReadPadded<double>(block, offset)};
      width = 8;
      break;
    case 9:
      value = RoutineAddress{ReadPadded<std::uint32_t>(block, offset)};
      width = 4;
      break;
    case 10: {
      const auto first =
          block.begin() + static_cast<std::ptrdiff_t>(std::min(offset, block.size()));
      const auto zero = std::find(first, block.end(), std::uint8_t{0});
      value.emplace<Text>(first, zero);
      width = static_cast<std::size_t>(zero - first) + (zero != block.end() ? 1 : 0);
      break;
    }
    default: return BytesValueError{"“欲取出数据的类型”参数值无效"_gbk};
  }
  if (position != nullptr) {
    const std::size_t next = offset + width;
    *position = next >= block.size() ? -1 : static_cast<int>(next) + 1;
  }
  return value;
}

}  // namespace kestrilo
