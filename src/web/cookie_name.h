#pragma once

#include <string_view>

#include "runtime/types.h"

namespace kestrilo {

// The name of one cookie entry "name=value": the text before the first "="
// (the whole entry when it has none), blanks trimmed at both ends. Both
// engines compare cookies by this name, case-sensitively.
Text CookieName(std::string_view entry);

}  // namespace kestrilo
