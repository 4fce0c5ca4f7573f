#pragma once

// Conversions between program text (GBK), UTF-8 and UTF-16LE bytes.
// Characters the target code page lacks become "?", malformed input
// characters become "?" one each, and nothing fails loudly: a conversion
// that cannot be made gives empty output.

#include <optional>
#include <string_view>

#include "runtime/types.h"

namespace kestrilo {

// The text's bytes, read in `code_page` (65001 when absent), as UTF-16LE
// bytes that end with one zero unit -- two zero bytes even for empty input.
Bytes TextToWide(const Text& text, std::optional<unsigned> code_page = {});

// UTF-16LE bytes up to their first zero unit, written in `code_page` (0,
// the system's ANSI page, GBK here, when absent). A trailing odd byte is
// ignored.
Text WideToText(const Bytes& wide, std::optional<unsigned> code_page = {});

// A text whose bytes are UTF-8, as GBK.
Text Utf8ToGbk(const Text& utf8);

// UTF-16LE bytes as program text, decoded by an "Adodb.Stream" object
// created by name for the call. Empty when no such class can be created.
// The text ends at the first zero character.
Text UnicodeBytesToText(const Bytes& utf16le);

// Bytes read back as text in `charset` through an "Adodb.Stream" object
// created by name: written as bytes, rewound, turned to text and read. The
// member results are not examined (a failed ReadText gives the empty text);
// nullopt when no such object can be created.
std::optional<Text> DecodeWithStream(const Bytes& bytes, std::string_view charset);

}  // namespace kestrilo
