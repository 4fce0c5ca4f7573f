// The conversion loop on Windows: the code-page functions, with UTF-8 and
// UTF-16 done here, since MultiByteToWideChar and WideCharToMultiByte put
// U+FFFD where iconv refuses and take no replacement of ours for them.
// Every conversion goes through UTF-16; a character that fails on either
// side becomes one replacement, as with iconv.

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "runtime/iconv_convert.h"
#include "runtime/utf8_character.h"

namespace kestrilo::detail {
namespace {

constexpr unsigned kUtf16Le = 1200;
constexpr unsigned kUtf16Be = 1201;
constexpr unsigned kUtf8 = 65001;
constexpr unsigned kGb18030 = 54936;

std::string Upper(std::string_view name) {
  std::string upper(name);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

std::optional<unsigned> Number(std::string_view digits) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || digits.empty()) {
    return std::nullopt;
  }
  return value;
}

// The Windows code page for an iconv encoding name; nothing for a name
// neither knows.
std::optional<unsigned> CodePageOf(std::string_view iconv_name) {
  const std::string name = Upper(iconv_name);
  struct Named {
    const char* name;
    unsigned code_page;
  };
  static constexpr Named kNames[] = {
      {"UTF-8", kUtf8},          {"UTF8", kUtf8},          {"UTF-16LE", kUtf16Le},
      {"UTF-16", kUtf16Le},      {"UCS-2LE", kUtf16Le},    {"UTF-16BE", kUtf16Be},
      {"UCS-2BE", kUtf16Be},     {"GBK", 936},             {"GB2312", 936},
      {"EUC-CN", 936},           {"GB18030", kGb18030},    {"BIG5", 950},
      {"BIG5-HKSCS", 950},       {"SHIFT_JIS", 932},       {"SJIS", 932},
      {"EUC-JP", 20932},         {"ISO-2022-JP", 50220},   {"EUC-KR", 949},
      {"KOI8-R", 20866},         {"KOI8-U", 21866},        {"US-ASCII", 20127},
      {"ASCII", 20127},          {"ANSI_X3.4-1968", 20127}, {"LATIN1", 28591},
      {"MACINTOSH", 10000},      {"TIS-620", 874},         {"UTF-7", 65000},
      {"HZ-GB-2312", 52936},     {"IBM866", 866},
  };
  for (const Named& named : kNames) {
    if (name == named.name) return named.code_page;
  }
  std::optional<unsigned> number;
  if (name.starts_with("CP")) number = Number(std::string_view(name).substr(2));
  if (name.starts_with("WINDOWS-")) number = Number(std::string_view(name).substr(8));
  if (name.starts_with("IBM")) number = Number(std::string_view(name).substr(3));
  if (name.starts_with("ISO-8859-") || name.starts_with("ISO8859-")) {
    const auto part = Number(std::string_view(name).substr(name.find('-', 4) + 1));
    if (part && *part >= 1 && *part <= 16) number = 28590 + *part;
  }
  if (!number) return std::nullopt;
  if (*number == kUtf8 || *number == kUtf16Le || *number == kUtf16Be) return number;
  if (*number > 0xFFFF || !::IsValidCodePage(*number)) return std::nullopt;
  return number;
}

// Code pages that refuse the flags below (the documentation's list).
bool TakesNoFlags(unsigned code_page) {
  return code_page == 42 || code_page == 65000 || (code_page >= 50220 && code_page <= 50229) ||
         code_page == 52936 || code_page == 54936 || (code_page >= 57002 && code_page <= 57011);
}

// Text on its way through UTF-16: the characters, and where a character
// failed, in order.
struct Decoded {
  std::u16string text;
  std::vector<std::size_t> failed_at;  // positions in `text`
  void Fail() { failed_at.push_back(text.size()); }
};

void DecodeUtf16(std::string_view bytes, bool big_endian, Decoded& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t left = bytes.size();
  const auto unit = [&](std::size_t i) -> char16_t {
    return big_endian ? static_cast<char16_t>(p[i] << 8 | p[i + 1])
                      : static_cast<char16_t>(p[i] | p[i + 1] << 8);
  };
  while (left > 0) {
    if (left < 2) {
      out.Fail();
      break;
    }
    const char16_t first = unit(0);
    if (first >= 0xD800 && first <= 0xDBFF && left >= 4 && unit(2) >= 0xDC00 &&
        unit(2) <= 0xDFFF) {
      out.text += first;
      out.text += unit(2);
      p += 4;
      left -= 4;
      continue;
    }
    if (first >= 0xD800 && first <= 0xDFFF) {
      out.Fail();
    } else {
      out.text += first;
    }
    p += 2;
    left -= 2;
  }
}

void AppendUtf16(std::uint32_t code, std::u16string& text) {
  if (code < 0x10000) {
    text += static_cast<char16_t>(code);
  } else {
    code -= 0x10000;
    text += static_cast<char16_t>(0xD800 + (code >> 10));
    text += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
  }
}

void DecodeUtf8Text(std::string_view bytes, Decoded& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = p + bytes.size();
  while (p < end) {
    const auto left = static_cast<std::size_t>(end - p);
    std::size_t length = 0;
    const std::uint32_t code = DecodeUtf8(p, left, length);
    if (length == 0) {
      out.Fail();
      p += SkipUtf8(p, left);
      continue;
    }
    AppendUtf16(code, out.text);
    p += length;
  }
}

int ToWide(unsigned code_page, DWORD flags, const char* bytes, std::size_t size, wchar_t* out,
           int room) {
  return ::MultiByteToWideChar(code_page, flags, bytes, static_cast<int>(size), out, room);
}

void DecodeCodePage(std::string_view bytes, unsigned code_page, SkipLength skip, Decoded& out) {
  if (bytes.empty()) return;
  const DWORD flags = TakesNoFlags(code_page) ? 0 : MB_ERR_INVALID_CHARS;
  // Most text converts whole; only text with a bad character goes one
  // character at a time.
  if (const int n = ToWide(code_page, flags, bytes.data(), bytes.size(), nullptr, 0); n > 0) {
    const std::size_t at = out.text.size();
    out.text.resize(at + static_cast<std::size_t>(n));
    ToWide(code_page, flags, bytes.data(), bytes.size(),
           reinterpret_cast<wchar_t*>(out.text.data() + at), n);
    return;
  }
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t left = bytes.size();
  while (left > 0) {
    wchar_t wide[4];
    int n = 0;
    for (std::size_t length : {std::size_t{1}, std::size_t{2}, std::size_t{4}}) {
      if (length > left) break;
      if (length == 2 && !::IsDBCSLeadByteEx(code_page, p[0]) && code_page != kGb18030) break;
      if (length == 4 && code_page != kGb18030) break;
      n = ToWide(code_page, flags, reinterpret_cast<const char*>(p), length, wide, 4);
      if (n > 0) {
        out.text.append(reinterpret_cast<const char16_t*>(wide), static_cast<std::size_t>(n));
        p += length;
        left -= length;
        break;
      }
    }
    if (n > 0) continue;
    out.Fail();
    const std::size_t skipped = std::max<std::size_t>(1, std::min(left, skip(p, left)));
    p += skipped;
    left -= skipped;
  }
}

void EncodeUtf16(std::u16string_view text, bool big_endian, std::string& out) {
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    out += big_endian ? high : low;
    out += big_endian ? low : high;
  }
}

// `text` holds whole surrogate pairs only: the decoding refused the rest.
void EncodeUtf8(std::u16string_view text, std::string& out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size()) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    AppendUtf8(out, code);
  }
}

// The bytes of `text` in `code_page`; false when a character has none
// there. No best fit: iconv does not turn "é" into "e" either.
bool ToBytes(unsigned code_page, std::u16string_view text, std::string& out) {
  if (text.empty()) return true;
  const bool plain = TakesNoFlags(code_page);
  const DWORD flags = plain ? 0 : WC_NO_BEST_FIT_CHARS;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  BOOL used_default = FALSE;
  BOOL* const used = plain ? nullptr : &used_default;
  const int n = ::WideCharToMultiByte(code_page, flags, wide, size, nullptr, 0, nullptr, used);
  if (n <= 0 || used_default) return false;
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(n));
  ::WideCharToMultiByte(code_page, flags, wide, size, out.data() + at, n, nullptr, nullptr);
  return true;
}

void EncodeCodePage(std::u16string_view text, unsigned code_page, std::string_view replacement,
                    std::string& out) {
  if (ToBytes(code_page, text, out)) return;
  for (std::size_t i = 0; i < text.size();) {
    const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size();
    const std::size_t length = pair ? 2 : 1;
    if (!ToBytes(code_page, text.substr(i, length), out)) out += replacement;
    i += length;
  }
}

}  // namespace

std::optional<std::string> IconvConvert(std::string_view input, const char* to, const char* from,
                                        std::string_view replacement) {
  const std::optional<unsigned> from_page = CodePageOf(from);
  const std::optional<unsigned> to_page = CodePageOf(to);
  if (!from_page || !to_page) return std::nullopt;

  Decoded decoded;
  if (*from_page == kUtf8) {
    DecodeUtf8Text(input, decoded);
  } else if (*from_page == kUtf16Le || *from_page == kUtf16Be) {
    DecodeUtf16(input, *from_page == kUtf16Be, decoded);
  } else {
    DecodeCodePage(input, *from_page, SkipFor(from), decoded);
  }

  std::string output;
  output.reserve(input.size() * 2);
  const auto encode = [&](std::u16string_view text) {
    if (*to_page == kUtf8) {
      EncodeUtf8(text, output);
    } else if (*to_page == kUtf16Le || *to_page == kUtf16Be) {
      EncodeUtf16(text, *to_page == kUtf16Be, output);
    } else {
      EncodeCodePage(text, *to_page, replacement, output);
    }
  };
  std::size_t done = 0;
  for (const std::size_t at : decoded.failed_at) {
    encode(std::u16string_view(decoded.text).substr(done, at - done));
    output += replacement;
    done = at;
  }
  encode(std::u16string_view(decoded.text).substr(done));
  return output;
}

void FillGbkCodes(std::array<std::uint16_t, 0x10000>& codes, std::uint16_t unmapped) {
  codes.fill(unmapped);
  for (std::uint32_t code = 1; code < 0x10000; ++code) {
    if (code >= 0xD800 && code <= 0xDFFF) continue;
    const wchar_t wide = static_cast<wchar_t>(code);
    unsigned char out[4];
    BOOL used_default = FALSE;
    const int n = ::WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, &wide, 1,
                                        reinterpret_cast<char*>(out), sizeof out, nullptr,
                                        &used_default);
    if (used_default) continue;
    if (n == 1) codes[code] = out[0];
    if (n == 2) codes[code] = static_cast<std::uint16_t>(out[0] << 8 | out[1]);
  }
}

}  // namespace kestrilo::detail
