#pragma once

// A block of bytes -- the image as given, or the mapped image -- that
// refuses every read or write not wholly inside it. Offsets are 64-bit so
// that a 32-bit field plus another can never wrap around into range.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <type_traits>

namespace kestrilo {

class BoundedBytes {
 public:
  BoundedBytes(const std::uint8_t* data, std::uint64_t size) : data_(data), size_(size) {}

  std::uint64_t size() const { return size_; }
  const std::uint8_t* data() const { return data_; }

  bool Contains(std::uint64_t offset, std::uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }

  template <typename T>
  std::optional<T> Read(std::uint64_t offset) const {
    static_assert(std::is_trivially_copyable_v<T>);
    if (!Contains(offset, sizeof(T))) return std::nullopt;
    T value;
    std::memcpy(&value, data_ + offset, sizeof(T));
    return value;
  }

  // The zero-terminated text at the offset, without its zero; nothing when
  // the block ends before the zero.
  std::optional<std::string_view> ZeroTerminated(std::uint64_t offset) const {
    if (offset >= size_) return std::nullopt;
    const auto* start = data_ + offset;
    const void* zero = std::memchr(start, 0, static_cast<std::size_t>(size_ - offset));
    if (zero == nullptr) return std::nullopt;
    return std::string_view(
        reinterpret_cast<const char*>(start),
        static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - start));
  }

  // Whether the zero-terminated text at the offset is exactly `text`; reads
  // no further than the text's length plus its zero.
  // A text with a zero inside matches nothing.
  bool HoldsText(std::uint64_t offset, std::string_view text) const {
    if (text.find('\0') != std::string_view::npos || !Contains(offset, text.size() + 1)) {
      return false;
    }
    return std::memcmp(data_ + offset, text.data(), text.size()) == 0 &&
           data_[offset + text.size()] == 0;
  }

 private:
  const std::uint8_t* data_;
  std::uint64_t size_;
};

// The same over memory the loader may patch.
class WritableBoundedBytes : public BoundedBytes {
 public:
  WritableBoundedBytes(std::uint8_t* data, std::uint64_t size)
      : BoundedBytes(data, size), writable_(data) {}

  template <typename T>
  bool Write(std::uint64_t offset, const T& value) const {
    static_assert(std::is_trivially_copyable_v<T>);
    if (!Contains(offset, sizeof(T))) return false;
    std::memcpy(writable_ + offset, &value, sizeof(T));
    return true;
  }

  bool CopyIn(std::uint64_t offset, const std::uint8_t* from, std::uint64_t length) const {
    if (!Contains(offset, length)) return false;
    std::memcpy(writable_ + offset, from, static_cast<std::size_t>(length));
    return true;
  }

 private:
  std::uint8_t* writable_;
};

}  // namespace kestrilo
