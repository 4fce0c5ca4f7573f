// De-duplication against its literal algorithm: split, keep each piece not
// seen yet with the separator behind it, cut one separator off the end. The
// quadratic walk is the point: the library's hashed table must agree with it.

#include <algorithm>
#include <string_view>
#include <vector>

#include "runtime/text_commands.h"
#include "text/remove_duplicates.h"

#include "fuzz_input.h"

namespace {

using namespace kestrilo;
using kestrilo::fuzz::FuzzInput;

// A lead byte from 0x81 up takes the next byte along; so does "\r" before "\n".
std::vector<std::string_view> CharacterPieces(std::string_view text) {
  std::vector<std::string_view> pieces;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t n = 1;
    if (pos + 1 < text.size()) {
      const auto byte = static_cast<unsigned char>(text[pos]);
      if (byte >= 0x81 || (byte == '\r' && text[pos + 1] == '\n')) n = 2;
    }
    pieces.push_back(text.substr(pos, n));
    pos += n;
  }
  return pieces;
}

Text Literal(std::string_view text, std::string_view separator, SplitMode mode) {
  std::vector<Text> pieces;
  if (mode == SplitMode::kSeparator) {
    pieces = SplitText(text, separator);
  } else {
    for (const std::string_view piece : CharacterPieces(text)) pieces.emplace_back(piece);
  }
  std::vector<Text> seen;
  Text result;
  for (const Text& piece : pieces) {
    if (std::find(seen.begin(), seen.end(), piece) != seen.end()) continue;
    seen.push_back(piece);
    result += piece;
    result += separator;
  }
  result.resize(result.size() >= separator.size() ? result.size() - separator.size() : 0);
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::kMaxInput) return -1;
  FuzzInput in(data, size);
  const std::string_view text = in.NextText();
  std::string_view separator = in.NextText();
  // Most lists are lines; the fuzzer gets other separators now and then.
  if (!in.Flag()) separator = "\r\n";

  FUZZ_CHECK(RemoveDuplicates(text, separator, SplitMode::kSeparator) ==
             Literal(text, separator, SplitMode::kSeparator));
  FUZZ_CHECK(RemoveDuplicates(text, separator, SplitMode::kCharacters) ==
             Literal(text, separator, SplitMode::kCharacters));
  return 0;
}
