#pragma once

// The request header block of the WinHttp engine: the caller's lines, the
// browser-like defaults the sites expect, and the caller's cookie text.
// Header blocks are lines "Name: value" joined by "\r\n".

#include <string_view>

#include "runtime/types.h"

namespace kestrilo {

// `method` 1 is POST, which alone gets a default Content-Type. A default is
// added only when its key occurs nowhere in the block yet, whatever the
// letter case; a caller's own "Cookie:" line keeps `cookies` from being sent.
// Normalized, the block has no "\r\n" behind its last line; otherwise it
// keeps the one added behind the caller's lines.
Text BuildRequestHeaders(std::string_view headers, int method, std::string_view cookies,
                         bool add_default_headers, bool normalize_headers);

// Drops lines without a colon (empty ones included) and upper-cases the
// first letter of the name and each letter behind a "-" in it; values stay
// untouched. No "\r\n" follows the last line.
Text NormalizeHeaders(std::string_view block);

// The text with its first byte upper-cased when it is an ASCII letter.
Text CapitalizeFirst(std::string_view text);

// The value of the first line starting with `name` (exact case): what
// follows the last `name` + ": " in that line, empty when it has none. No
// such line gives an empty text.
Text HeaderValueByName(std::string_view block, std::string_view name);

}  // namespace kestrilo
