#pragma once

// Duktape's string form. Duktape keeps strings as UTF-8 in which a character
// outside the Basic Multilingual Plane is two separately encoded surrogates
// (CESU-8). A proper four-byte UTF-8 sequence pushed into it becomes one
// character of length 1 that escape() rejects, so texts go in as CESU-8,
// where every UTF-16 unit is one script character, as in JScript.

#include <string>
#include <string_view>

namespace kestrilo {

// Each UTF-16 unit encoded on its own, lone surrogates included.
std::string Cesu8FromUtf16(std::u16string_view utf16);

// CESU-8 and UTF-8 alike: surrogate pairs encoded separately come back as
// the pair they were, four-byte sequences become pairs. A malformed sequence
// becomes U+FFFD, one per byte that cannot start a character.
std::u16string Utf16FromCesu8(std::string_view bytes);

}  // namespace kestrilo
