#pragma once

// Two conversions borrowed from JScript, run by the "ScriptControl" class.
// Texts cross to the engine as UTF-16 and come back as GBK, so a character
// GBK lacks comes back as "?". Neither ever fails loudly.

#include "runtime/types.h"

namespace kestrilo {

// Percent-encodes the text's characters as UTF-8 bytes with upper-case hex:
// mode 1 with encodeURIComponent, any other mode with encodeURI (which keeps
// "/", "?", "&", "=", ":", "#" and the like). Empty when the engine fails.
// Read without an engine, with the engine's results.
Text UrlEncode(const Text& text, int mode = 0);

// Decodes "\uXXXX" escapes (and, as unescape() does, "%uXXXX" and "%XX")
// by reading the text as a single-quoted script string literal and passing
// it through unescape(); other backslash sequences follow the literal's
// rules. Line breaks and apostrophes survive. A text the literal rejects,
// such as one ending in a single backslash, comes back as its bytes read as
// UTF-16LE instead. The literal and unescape() are read without an engine,
// with the engine's results.
Text UnescapeUnicode(const Text& text);

// The two through the engine itself: the references the direct ones are
// checked against.
Text UrlEncodeThroughEngine(const Text& text, int mode = 0);
Text UnescapeUnicodeThroughEngine(const Text& text);

}  // namespace kestrilo
