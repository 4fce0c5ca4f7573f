#include "text/text_between_all.h"

#include "runtime/text_commands.h"
#include "runtime/ui_port.h"

namespace kestrilo {

int TextBetweenAll(std::string_view text, std::string_view left, std::string_view right,
                   TextList& items, const BetweenAllOptions& options) {
  items.clear();
  const bool fold = options.case_insensitive;
  int search_pos = options.start_pos;
  for (;;) {
    const int left_pos = FindText(text, left, search_pos, fold);
    if (left_pos == -1) break;
    const int piece_start = left_pos + TextLength(left);
    const int right_pos = FindText(text, right, piece_start, fold);
    if (right_pos == -1) break;

    Text entry = options.prefix;
    // An empty right marker is "found" at the first byte, before the piece:
    // MidText gives the empty piece for the negative length.
    entry.append(MidText(text, piece_start, right_pos - piece_start));
    entry.append(options.suffix);
    if (options.with_left == 1) entry.insert(0, left);
    if (options.with_right == 1) entry.append(right);
    if (options.max_length == 0 || TextLength(entry) < options.max_length) {
      items.push_back(std::move(entry));
    }

    DoEvents();
    DoEvents();
    DoEvents();
    // An empty left marker is found at the first byte from any position, so
    // the search would never move on; it has given its one piece.
    if (left.empty()) break;
    search_pos = piece_start;
  }
  return ArrayCount(items);
}

}  // namespace kestrilo
