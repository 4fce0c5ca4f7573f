#pragma once

// The double-byte rule every search, split, trim and case command follows:
// walking from the start of a text, a byte below 0x80 is one character and a
// byte of 0x80 or above starts a two-byte character that is stepped over
// whole, so nothing ever matches from the second byte of a character.

#include <cstddef>
#include <string_view>

namespace kestrilo {

inline bool IsLeadByte(unsigned char byte) { return byte >= 0x80; }

// Length of the character starting at `offset`: 1, or 2 for a lead byte. A
// lead byte that is the last byte of the text counts 1, so a walk never steps
// past the end.
inline std::size_t CharLengthAt(std::string_view text, std::size_t offset) {
  if (IsLeadByte(static_cast<unsigned char>(text[offset])) && offset + 1 < text.size()) return 2;
  return 1;
}

// A lead byte with nothing behind it is no character: a walk that reaches
// it ends there, so nothing can match from it.
inline bool EndsWalk(std::string_view text, std::size_t offset) {
  return offset + 1 == text.size() && IsLeadByte(static_cast<unsigned char>(text[offset]));
}

inline unsigned char FoldAscii(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

// Compares `size` bytes of a text at a character boundary with `sought`.
// With `ignore_case`, ASCII letters that are characters of their own compare
// equal to their other case; the two bytes of a double-byte character always
// compare exactly, even where the second one looks like a letter.
inline bool BytesEqual(const char* text, const char* sought, std::size_t size, bool ignore_case) {
  for (std::size_t i = 0; i < size;) {
    const auto x = static_cast<unsigned char>(text[i]);
    const auto y = static_cast<unsigned char>(sought[i]);
    if (IsLeadByte(x)) {
      if (x != y) return false;
      if (i + 1 < size && text[i + 1] != sought[i + 1]) return false;
      i += 2;
      continue;
    }
    if (x != y && (!ignore_case || FoldAscii(x) != FoldAscii(y))) return false;
    ++i;
  }
  return true;
}

}  // namespace kestrilo
