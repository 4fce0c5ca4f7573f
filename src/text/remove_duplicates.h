#pragma once

#include <string>
#include <string_view>

#include "runtime/types.h"

namespace kestrilo {

enum class SplitMode {
  kCharacters = 0,  // every character is a piece; "\r\n" counts as one
  kSeparator = 1,   // the pieces between occurrences of the separator
};

// Keeps the first occurrence of every piece, in order, joined by
// `separator`, and cuts one separator off the end (so it ends with one only
// when the last kept piece is the empty one). Pieces compare byte for byte.
// Runs in time linear in the text.
Text RemoveDuplicates(std::string_view text, std::string_view separator, SplitMode mode);

// The same, built in the text's own buffer in separator mode: besides the
// text it needs about four bytes for each distinct piece.
Text RemoveDuplicates(Text&& text, std::string_view separator, SplitMode mode);

}  // namespace kestrilo
