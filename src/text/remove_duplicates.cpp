#include "text/remove_duplicates.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "runtime/double_byte.h"

namespace kestrilo {
namespace {

constexpr std::uint32_t kEmptySlot = UINT32_MAX;

// Calls `piece` for every piece of `text` in order, without building a list
// of them: for a million-line list that list alone would outweigh the text.
// Separator pieces are SplitTextViews's: the separator matches only at a
// character boundary, an empty piece after the last separator is none, and
// an empty separator leaves the text whole. In character mode a lead byte
// starts a pair from 0x81 up (0x80 stands alone), and "\r\n" is one piece.
template <typename OnPiece>
void ForEachPiece(std::string_view text, std::string_view separator, SplitMode mode,
                  OnPiece&& piece) {
  if (text.empty()) return;
  if (mode == SplitMode::kCharacters) {
    for (std::size_t pos = 0; pos < text.size();) {
      const auto byte = static_cast<unsigned char>(text[pos]);
      const bool pair =
          pos + 1 < text.size() && (byte >= 0x81 || (byte == '\r' && text[pos + 1] == '\n'));
      const std::size_t n = pair ? 2 : 1;
      piece(text.substr(pos, n));
      pos += n;
    }
    return;
  }
  if (separator.empty()) {
    piece(text);
    return;
  }
  std::size_t begin = 0;
  for (std::size_t pos = 0; text.size() - pos >= separator.size() && !EndsWalk(text, pos);) {
    // The first byte alone settles most positions without a call.
    if (text[pos] == separator[0] &&
        std::memcmp(text.data() + pos, separator.data(), separator.size()) == 0) {
      piece(text.substr(begin, pos - begin));
      pos += separator.size();
      begin = pos;
      continue;
    }
    pos += CharLengthAt(text, pos);
  }
  if (begin < text.size()) piece(text.substr(begin));
}

// Open addressing over the kept pieces, which live in the result itself. A
// slot holds the high half of the piece's hash, which also picks the slot:
// most slots are passed over without touching the piece, and growing moves
// slots without reading a piece again.
class KeptPieces {
 public:
  KeptPieces(const Text& result, std::size_t separator_size)
      : result_(result), separator_size_(separator_size), slots_(1024) {}

  static std::uint32_t Tag(std::size_t hash) { return static_cast<std::uint32_t>(hash >> 32); }

  void Prefetch(std::uint32_t tag) const { __builtin_prefetch(&slots_[Home(tag)]); }

  // Whether an equal piece was kept already; remembers `piece` otherwise,
  // which the caller appends to the result next, at `offset`, with the
  // separator behind it.
  bool Seen(std::string_view piece, std::uint32_t tag, std::size_t offset) {
    std::size_t slot = Home(tag);
    for (; slots_[slot].index != kEmptySlot; slot = Next(slot)) {
      if (slots_[slot].tag == tag && Kept(slots_[slot].index) == piece) return true;
    }
    slots_[slot] = {tag, static_cast<std::uint32_t>(begins_.size())};
    begins_.push_back(offset);
    // Linear probing slows sharply past three quarters full.
    if (begins_.size() * 4 > slots_.size() * 3) Grow();
    return false;
  }

 private:
  struct Slot {
    std::uint32_t tag = 0;
    std::uint32_t index = kEmptySlot;
  };

  std::size_t Home(std::uint32_t tag) const { return tag & (slots_.size() - 1); }
  std::size_t Next(std::size_t slot) const { return (slot + 1) & (slots_.size() - 1); }

  std::string_view Kept(std::uint32_t index) const {
    const std::size_t begin = begins_[index];
    const std::size_t end =
        (index + 1 < begins_.size() ? begins_[index + 1] : result_.size()) - separator_size_;
    return std::string_view(result_).substr(begin, end - begin);
  }

  void Grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Slot& entry : old) {
      if (entry.index == kEmptySlot) continue;
      std::size_t slot = Home(entry.tag);
      while (slots_[slot].index != kEmptySlot) slot = Next(slot);
      slots_[slot] = entry;
    }
  }

  const Text& result_;
  std::size_t separator_size_;
  std::vector<Slot> slots_;
  std::vector<std::size_t> begins_;  // where each kept piece starts in the result
};

}  // namespace

Text RemoveDuplicates(std::string_view text, std::string_view separator, SplitMode mode) {
  Text result;
  result.reserve(text.size() + separator.size());
  KeptPieces kept(result, separator.size());
  const auto keep_new = [&](std::string_view piece, std::uint32_t tag) {
    if (kept.Seen(piece, tag, result.size())) return;
    result.append(piece);
    result.append(separator);
  };

  // Pieces are looked up a few behind the split, their slots fetched into
  // the cache meanwhile: on a long list nearly every lookup misses it.
  constexpr std::size_t kAhead = 8;
  struct Pending {
    std::string_view piece;
    std::uint32_t tag;
  };
  Pending pending[kAhead];
  std::size_t split = 0;  // pieces split off so far; the looked-up ones trail by kAhead
  const std::hash<std::string_view> hasher;
  ForEachPiece(text, separator, mode, [&](std::string_view piece) {
    Pending& entry = pending[split % kAhead];
    if (split >= kAhead) keep_new(entry.piece, entry.tag);
    entry = {piece, KeptPieces::Tag(hasher(piece))};
    kept.Prefetch(entry.tag);
    ++split;
  });
  for (std::size_t i = split > kAhead ? split - kAhead : 0; i < split; ++i) {
    keep_new(pending[i % kAhead].piece, pending[i % kAhead].tag);
  }
  result.resize(result.size() >= separator.size() ? result.size() - separator.size() : 0);
  return result;
}

}  // namespace kestrilo
