#pragma once

// The one conversion loop behind every charset edge of the runtime: iconv
// on Linux, the code-page functions on Windows, with each character that
// cannot be converted replaced, so that an unmappable or malformed character
// costs one replacement instead of the whole text. Encodings are named as
// iconv names them on both. Internal to the runtime.

#include <array>
#include <cstddef>
#include <cstdint>
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

// The GBK code of every BMP character: below 0x100 a single byte, else lead
// and trail byte; `unmapped` where GBK has none.
void FillGbkCodes(std::array<std::uint16_t, 0x10000>& codes, std::uint16_t unmapped);

// UTF-16LE bytes and UTF-16 strings, both ways.
std::u16string WideFromLe(std::string_view bytes);
std::string LeFromWide(std::u16string_view wide);

}  // namespace kestrilo::detail
