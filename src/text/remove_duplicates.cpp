#include "text/remove_duplicates.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "runtime/double_byte.h"

namespace kestrilo {
namespace {

// Calls `piece` for every piece of `text` in order, without building a list
// of them: for a million-line list that list alone would outweigh the text.
// Separator pieces are SplitTextViews's: the separator matches only at a
// character boundary, an empty piece after the last separator is none, and
// an empty separator leaves the text whole.
template <typename OnPiece>
void ForEachPiece(std::string_view text, std::string_view separator, OnPiece&& piece) {
  if (text.empty()) return;
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

// Whether the walk over `piece` ends on a lead byte with no trail byte: only
// a text's last piece can, since elsewhere that byte would take the first
// byte of the separator as its trail.
bool EndsOnLoneLead(std::string_view piece) {
  std::size_t pos = 0;
  while (pos < piece.size() && !EndsWalk(piece, pos)) pos += CharLengthAt(piece, pos);
  return pos < piece.size();
}

// The kept pieces, joined by the separator at the front of the text's own
// buffer, and an open-addressing table of where each starts. A slot is one
// word: the piece's offset plus one in the low bits (0 marks an empty slot)
// and as many of the hash's top bits as are left above them, so that most
// slots are passed over without touching the piece. A kept piece's end
// needs no record either: in the joined text it ends where the separator
// follows it or where the joined text ends, because a piece that began the
// same and went on past that point would contain the separator at a
// character boundary (the bytes before it are the same) and been split
// there. The one exception, a last piece that ends on a lone lead byte, is
// told apart by that. The joined text splits back into the kept pieces, so
// growing the table rehashes them from there and never holds two tables.
template <typename Word>
class JoinedPieces {
 public:
  static constexpr unsigned kWordBits = 8 * sizeof(Word);

  JoinedPieces(Text& buffer, std::string_view separator)
      : buffer_(buffer), separator_(separator), slots_(1024) {
    while ((std::size_t{1} << offset_bits_) <= buffer.size() + 1) ++offset_bits_;
  }

  void Prefetch(std::size_t hash) const { __builtin_prefetch(&slots_[Home(hash)]); }

  // Appends `piece`, which lies in the buffer at or behind the end of the
  // joined pieces, unless an equal piece was kept already.
  void Keep(std::string_view piece, std::size_t hash, bool last) {
    const bool lone_lead = last && EndsOnLoneLead(piece);
    const Word tag = Tag(hash);
    std::size_t slot = Home(hash);
    for (; slots_[slot] != 0; slot = Next(slot)) {
      if ((slots_[slot] >> offset_bits_) == tag &&
          Equal(static_cast<std::size_t>(slots_[slot] & OffsetMask()) - 1, piece, lone_lead)) {
        return;
      }
    }
    std::size_t at = end_;
    if (kept_ > 0) {
      std::memcpy(buffer_.data() + at, separator_.data(), separator_.size());
      at += separator_.size();
    }
    std::memmove(buffer_.data() + at, piece.data(), piece.size());
    end_ = at + piece.size();
    slots_[slot] = Entry(at, tag);
    ++kept_;
    // Linear probing slows sharply past three quarters full.
    if (kept_ * 4 > slots_.size() * 3) Grow();
  }

  std::size_t End() const { return end_; }

 private:
  Word OffsetMask() const { return (Word{1} << offset_bits_) - 1; }
  Word Tag(std::size_t hash) const {
    return static_cast<Word>(hash >> (8 * sizeof(std::size_t) - (kWordBits - offset_bits_)));
  }
  Word Entry(std::size_t offset, Word tag) const {
    return static_cast<Word>(tag << offset_bits_) | static_cast<Word>(offset + 1);
  }
  std::size_t Home(std::size_t hash) const { return hash & (slots_.size() - 1); }
  std::size_t Next(std::size_t slot) const { return (slot + 1) & (slots_.size() - 1); }

  bool Equal(std::size_t kept, std::string_view piece, bool lone_lead) const {
    if (piece.size() > end_ - kept ||
        std::memcmp(buffer_.data() + kept, piece.data(), piece.size()) != 0) {
      return false;
    }
    const std::size_t after = kept + piece.size();
    if (after == end_) return true;
    // After a lone lead byte the separator's bytes are the kept piece's
    // trail byte and more, not its end.
    return !lone_lead && end_ - after >= separator_.size() &&
           std::memcmp(buffer_.data() + after, separator_.data(), separator_.size()) == 0;
  }

  void Grow() {
    // The old table goes first: the pieces are hashed again from the text.
    const std::size_t size = slots_.size() * 2;
    slots_ = std::vector<Word>();
    slots_.resize(size);
    const std::hash<std::string_view> hasher;
    const std::string_view joined(buffer_.data(), end_);
    std::size_t found = 0;
    const auto place = [&](std::string_view piece) {
      const auto offset = static_cast<std::size_t>(piece.data() - joined.data());
      const std::size_t hash = hasher(piece);
      std::size_t slot = Home(hash);
      while (slots_[slot] != 0) slot = Next(slot);
      slots_[slot] = Entry(offset, Tag(hash));
      ++found;
    };
    ForEachPiece(joined, separator_, place);
    // An empty last piece leaves the joined text ending in the separator,
    // and the split has no piece there.
    if (found < kept_) place(joined.substr(end_));
  }

  Text& buffer_;
  std::string_view separator_;
  unsigned offset_bits_ = 1;
  std::vector<Word> slots_;
  std::size_t kept_ = 0;
  std::size_t end_ = 0;  // of the joined pieces
};

template <typename Word>
void JoinUniquePieces(Text& text, std::string_view separator) {
  JoinedPieces<Word> joined(text, separator);
  // Pieces are looked up a few behind the split, their slots fetched into
  // the cache meanwhile: on a long list nearly every lookup misses it.
  constexpr std::size_t kAhead = 8;
  struct Pending {
    std::string_view piece;
    std::size_t hash;
  };
  Pending pending[kAhead];
  std::size_t split = 0;  // pieces split off so far; the kept ones trail by kAhead
  const std::hash<std::string_view> hasher;
  // The pieces still ahead lie behind the joined ones, which never grow
  // past the end of the piece being kept.
  ForEachPiece(text, separator, [&](std::string_view piece) {
    Pending& entry = pending[split % kAhead];
    if (split >= kAhead) joined.Keep(entry.piece, entry.hash, false);
    entry = {piece, hasher(piece)};
    joined.Prefetch(entry.hash);
    ++split;
  });
  for (std::size_t i = split > kAhead ? split - kAhead : 0; i < split; ++i) {
    joined.Keep(pending[i % kAhead].piece, pending[i % kAhead].hash, i + 1 == split);
  }
  text.resize(joined.End());
}

// In character mode every character is a piece: a lead byte from 0x81 up
// with the byte after it (0x80 stands alone), or "\r\n"; so at most 64K
// different pieces, looked up directly.
Text UniqueCharacters(std::string_view text, std::string_view separator) {
  std::vector<bool> seen(0x20000);
  Text result;
  bool first = true;
  for (std::size_t pos = 0; pos < text.size();) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    const bool pair =
        pos + 1 < text.size() && (byte >= 0x81 || (byte == '\r' && text[pos + 1] == '\n'));
    const std::size_t n = pair ? 2 : 1;
    const std::size_t key =
        pair ? 0x10000 | byte << 8 | static_cast<unsigned char>(text[pos + 1]) : byte;
    if (!seen[key]) {
      seen[key] = true;
      if (!first) result.append(separator);
      first = false;
      result.append(text.substr(pos, n));
    }
    pos += n;
  }
  return result;
}

}  // namespace

Text RemoveDuplicates(Text&& text, std::string_view separator, SplitMode mode) {
  if (mode == SplitMode::kCharacters) return UniqueCharacters(text, separator);
  // A 32-bit slot while the offsets leave at least six bits of hash.
  if (text.size() < (std::size_t{1} << 26) - 1) {
    JoinUniquePieces<std::uint32_t>(text, separator);
  } else {
    JoinUniquePieces<std::uint64_t>(text, separator);
  }
  return std::move(text);
}

Text RemoveDuplicates(std::string_view text, std::string_view separator, SplitMode mode) {
  if (mode == SplitMode::kCharacters) return UniqueCharacters(text, separator);
  return RemoveDuplicates(Text(text), separator, mode);
}

}  // namespace kestrilo
