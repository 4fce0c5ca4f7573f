#include "line_dedupe.h"

#include <utility>

#include "text/remove_duplicates.h"

#include "literal_dedupe.h"

namespace kestrilo::bench {

Text DedupeLines(Text file, DedupeMethod method) {
  // The split drops an empty piece after the last "\n", as awk does not see
  // a record there either, and the kept pieces come back joined without a
  // final separator; awk ends every record it prints with one. So one "\n"
  // goes back on whenever the file had any record at all.
  const bool any = !file.empty();
  Text unique = method == DedupeMethod::kKestrilo
                    ? RemoveDuplicates(std::move(file), "\n", SplitMode::kSeparator)
                    : LiteralRemoveDuplicates(file, "\n");
  if (any) unique += '\n';
  return unique;
}

}  // namespace kestrilo::bench
