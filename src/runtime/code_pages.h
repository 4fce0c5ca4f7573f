#pragma once

// Code pages, as the platform's MultiByteToWideChar/WideCharToMultiByte know
// them: 65001 UTF-8, 936 GBK, 0 the system's ANSI page (GBK for this
// program), 1200 UTF-16LE; other numbers name the iconv code page "CP<n>".
// Characters the target lacks become "?", invalid input sequences become
// "?" (one per bad character), and the result ends at the first zero
// character.

#include <string>
#include <string_view>

#include "runtime/types.h"

namespace kestrilo {

inline constexpr unsigned kCodePageAnsi = 0;
inline constexpr unsigned kCodePageGbk = 936;
inline constexpr unsigned kCodePageUtf16Le = 1200;
inline constexpr unsigned kCodePageUtf8 = 65001;

std::u16string MultiByteToWide(std::string_view bytes, unsigned code_page);
std::string WideToMultiByte(std::u16string_view wide, unsigned code_page);

// Decoding by the charset names web pages write ("utf-8", "GB2312", "big5",
// "iso-8859-1", "windows-1252", "unicode" for UTF-16LE, and whatever iconv
// knows). False when the name is unknown; `out` is then untouched. The whole
// input is decoded, zero bytes included.
bool IsKnownCharset(std::string_view name);
bool DecodeCharset(std::string_view bytes, std::string_view charset, std::u16string& out);
bool EncodeCharset(std::u16string_view text, std::string_view charset, std::string& out);

}  // namespace kestrilo
