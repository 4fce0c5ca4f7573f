#pragma once

// What the WinHttp engine takes from a reply's raw header block, and how
// the cookies it set are merged into the caller's cookie text. There is no
// cookie jar: the caller carries the text from one request to the next.

#include <string_view>

#include "runtime/types.h"

namespace kestrilo {

// `response_headers` is the raw block: status line, header lines, an empty
// line, each ended by "\r\n". Returns the status text ("302 Found"),
// appends "name=value" of every "Set-Cookie: " line to `new_cookies`
// (entries joined by "; ") and sets `location` from the last "Location: "
// line, whose name may be in any case; the Set-Cookie name must be exact.
// Pending events are processed after each line.
Text ReadReplyHeaders(std::string_view response_headers, Text& new_cookies, Text& location);

// Merges the cookies sent with those the reply set: the reply's come
// first, older ones it did not name follow in their order, entries ending
// in "=deleted" are dropped, and so are exact duplicates. Both variables
// are left trimmed (and a final ";" given its blank); the merged text is
// left in `cookies` and returned.
Text MergeReplyCookies(Text& cookies, Text& new_cookies);

// Whether some entry's CookieName is exactly `name`.
bool HasCookieNamed(const TextList& entries, std::string_view name);

}  // namespace kestrilo
