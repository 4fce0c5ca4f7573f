#pragma once

// The one conversion loop behind every charset edge of the runtime: iconv
// with each character it cannot convert replaced, so that an unmappable or
// malformed character costs one replacement instead of the whole text.
// Internal to the runtime.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kestrilo::detail {

// How many input bytes one bad character spans, for the source encoding.
using SkipLength = std::size_t (*)(const unsigned char* bytes, std::size_t left);

std::size_t SkipUtf8(const unsigned char* bytes, std::size_t left);
std::size_t SkipGbk(const unsigned char* bytes, std::size_t left);
std::size_t SkipUtf16Le(const unsigned char* bytes, std::size_t left);
std::size_t SkipOneByte(const unsigned char* bytes, std::size_t left);

// The skip rule that fits an iconv encoding name.
SkipLength SkipFor(std::string_view iconv_name);

// Converts `input` from `from` to `to`, writing `replacement` (already in
// the target encoding) for each character that fails. Empty optional when
// iconv does not know one of the encodings.
std::optional<std::string> IconvConvert(std::string_view input, const char* to, const char* from,
                                        std::string_view replacement);

// UTF-16LE bytes and UTF-16 strings, both ways.
std::u16string WideFromLe(std::string_view bytes);
std::string LeFromWide(std::u16string_view wide);

}  // namespace kestrilo::detail
