#include "text/remove_duplicates.h"

#include <cstdint>
#include <functional>
#include <vector>

#include "runtime/text_commands.h"

namespace kestrilo {
namespace {

constexpr std::uint32_t kEmptySlot = UINT32_MAX;

// In character mode a lead byte starts a pair from 0x81 up (0x80 stands
// alone), and a "\r\n" pair is one piece.
std::vector<std::string_view> CharacterPieces(std::string_view text) {
  std::vector<std::string_view> pieces;
  pieces.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    const bool pair =
        pos + 1 < text.size() && (byte >= 0x81 || (byte == '\r' && text[pos + 1] == '\n'));
    const std::size_t n = pair ? 2 : 1;
    pieces.push_back(text.substr(pos, n));
    pos += n;
  }
  return pieces;
}

}  // namespace

Text RemoveDuplicates(std::string_view text, std::string_view separator, SplitMode mode) {
  const std::vector<std::string_view> pieces =
      mode == SplitMode::kSeparator ? SplitTextViews(text, separator) : CharacterPieces(text);

  // Open addressing over the piece indexes: one flat table instead of a node
  // per piece keeps long lists out of the allocator and in cache.
  std::size_t capacity = 16;
  while (capacity < pieces.size() * 2) capacity *= 2;
  std::vector<std::uint32_t> slots(capacity, kEmptySlot);
  std::vector<std::size_t> hashes(pieces.size());
  const std::hash<std::string_view> hasher;

  Text result;
  result.reserve(text.size() + separator.size());
  for (std::uint32_t i = 0; i < pieces.size(); ++i) {
    const std::string_view piece = pieces[i];
    hashes[i] = hasher(piece);
    std::size_t slot = hashes[i] & (capacity - 1);
    bool seen = false;
    for (; slots[slot] != kEmptySlot; slot = (slot + 1) & (capacity - 1)) {
      const std::uint32_t other = slots[slot];
      if (hashes[other] == hashes[i] && pieces[other] == piece) {
        seen = true;
        break;
      }
    }
    if (seen) continue;
    slots[slot] = i;
    result.append(piece);
    result.append(separator);
  }
  result.resize(result.size() >= separator.size() ? result.size() - separator.size() : 0);
  return result;
}

}  // namespace kestrilo
