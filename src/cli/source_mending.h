#pragma once

// After a check: new markers for the sources whose replies came but gave no
// keywords, induced from the keywords the other sources found, written as a
// recipe file for the user to read and try. Nothing is applied on its own.

#include <cstdio>
#include <string>
#include <vector>

#include "cli/source_check.h"
#include "runtime/types.h"

namespace kestrilo {

// Prints one line per source whose verdict is "no keywords" to `out`
// ("suggested" with the keywords the new cut takes, or "no suggestion" with
// why) and writes the mended recipes to `file` (UTF-8 TOML, whole or not at
// all). False, with `error` set, when the file could not be written.
bool SuggestMendedRecipes(const std::vector<CheckedSource>& checked, const Text& seed,
                          const std::string& file, std::FILE* out, std::string& error);

}  // namespace kestrilo
