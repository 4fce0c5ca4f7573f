#pragma once

#include <string_view>

#include "runtime/types.h"

namespace kestrilo::bench {

enum class DedupeMethod { kKestrilo, kLiteral };

// The unique lines of a "\n"-separated file, first occurrences in order,
// byte for byte what `awk '!seen[$0]++'` prints for the same file. Built in
// the file's own buffer.
Text DedupeLines(Text file, DedupeMethod method = DedupeMethod::kKestrilo);

}  // namespace kestrilo::bench
