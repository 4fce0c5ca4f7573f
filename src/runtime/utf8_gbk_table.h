#pragma once

#include <string_view>

#include "runtime/types.h"

namespace kestrilo {

// UTF-8 to GBK through a table of every character GBK holds, built once
// from iconv: the results of converting through iconv and UTF-16, byte for
// byte, at many times the speed. A malformed sequence becomes one "?" (as
// many bytes as its lead byte promises, continuation bytes only), as does a
// character GBK lacks, but language tags (U+E0000 to U+E007F) are dropped,
// as iconv drops them; the text ends at the first zero character.
Text Utf8ToGbkByTable(std::string_view utf8);

}  // namespace kestrilo
