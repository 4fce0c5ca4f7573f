#pragma once

// Header logic of the WinINet engine: the defaults it adds to the caller's
// header text, and what it takes from the reply's raw header block. Unlike
// the WinHttp engine's, it matches header keys case-sensitively.

#include <optional>
#include <string_view>

#include "runtime/types.h"

namespace kestrilo {

// The raw header block is fetched into a buffer of this many bytes, which
// must also hold its terminating zero.
inline constexpr int kInetHeaderBufferSize = 5000;

// The text behind the first ":" with blanks trimmed; empty without a colon.
Text HeaderValue(std::string_view line);

// Appends, in this order and each only when its key is missing (exact
// case): a Referer naming `url`, "Accept: */*", "Accept-Language: zh-cn",
// the form Content-Type (for GET too), then a Cookie line with `cookies`
// whenever that is not empty, even beside a caller's own. No "\r\n" ends
// the text.
void AddInetHeaderDefaults(Text& headers, std::string_view url, std::string_view cookies);

// Takes the reply's raw header block (absent when it could not be fetched)
// apart. `response_headers` becomes the block, or the buffer's 5000 spaces
// when it was absent or did not fit. `new_cookies` becomes the entries of
// the Set-Cookie lines joined by "; " (an empty entry for a line with no
// ";" behind its value); `location` the value of the last line holding
// "Location:", or, when there is none and `location` is still empty, the
// whole of `response_headers`.
void ReadInetReplyHeaders(std::optional<std::string_view> raw_block, Text& response_headers,
                          Text& location, Text& new_cookies);

}  // namespace kestrilo
