// De-duplication keeps the first of every piece, in order, and its result
// splits back into exactly those pieces.

#include <algorithm>
#include <set>
#include <string_view>

#include "runtime/text_commands.h"
#include "text/remove_duplicates.h"

#include "fuzz_input.h"

namespace {

using namespace kestrilo;
using kestrilo::fuzz::FuzzInput;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::kMaxInput) return -1;
  FuzzInput in(data, size);
  const std::string_view text = in.NextText();
  std::string_view separator = in.NextText();
  // Most lists are lines; the fuzzer gets other separators now and then.
  if (!in.Flag()) separator = "\r\n";

  TextList kept;
  std::set<Text> seen;
  for (Text& piece : SplitText(text, separator)) {
    if (seen.insert(piece).second) kept.push_back(std::move(piece));
  }
  const Text result = RemoveDuplicates(text, separator, SplitMode::kSeparator);
  // An empty last piece leaves nothing behind the last separator, and
  // splitting drops that empty member again.
  if (!kept.empty() && kept.back().empty() && !separator.empty()) kept.pop_back();
  FUZZ_CHECK(SplitText(result, separator) == kept);

  // Pieces of characters: fewer pieces than bytes, each separated once.
  const Text chars = RemoveDuplicates(text, separator, SplitMode::kCharacters);
  FUZZ_CHECK(chars.size() <= text.size() * (1 + separator.size()));
  FUZZ_CHECK(RemoveDuplicates(text, "", SplitMode::kCharacters).size() <= text.size());
  return 0;
}
