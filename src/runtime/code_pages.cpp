#include "runtime/code_pages.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "runtime/iconv_convert.h"

namespace kestrilo {
namespace {

// "?" in UTF-16LE, for decoding into wide text.
constexpr std::string_view kWideQuestionMark{"?\0", 2};

std::string CodePageName(unsigned code_page) {
  switch (code_page) {
    case kCodePageAnsi:
    case kCodePageGbk: return "GBK";
    case kCodePageUtf8: return "UTF-8";
    case kCodePageUtf16Le: return "UTF-16LE";
    default: return "CP" + std::to_string(code_page);
  }
}

// Web pages name charsets loosely; these are the names browsers treat as
// another encoding, the rest go to iconv as written.
std::string IconvNameForCharset(std::string_view charset) {
  std::string name(charset);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (name == "unicode" || name == "utf-16" || name == "utf-16le") return "UTF-16LE";
  if (name == "unicodefffe" || name == "utf-16be") return "UTF-16BE";
  if (name == "utf8" || name == "utf-8" || name == "unicode-1-1-utf-8") return "UTF-8";
  // A page that says gb2312 is GBK in practice, and GBK is a superset.
  if (name == "gb2312" || name == "gbk" || name == "x-gbk" || name == "cp936" ||
      name == "gb_2312-80" || name == "ms936" || name == "windows-936") {
    return "GBK";
  }
  // Browsers read Latin-1 and ASCII labels as windows-1252.
  if (name == "iso-8859-1" || name == "latin1" || name == "l1" || name == "us-ascii" ||
      name == "ascii" || name == "windows-1252" || name == "cp1252" || name == "x-cp1252") {
    return "CP1252";
  }
  if (name == "big5" || name == "big5-hkscs" || name == "x-x-big5") return "BIG5-HKSCS";
  return name;
}

std::u16string CutAtZero(std::u16string text) {
  if (const auto zero = text.find(u'\0'); zero != std::u16string::npos) text.resize(zero);
  return text;
}

}  // namespace

std::u16string MultiByteToWide(std::string_view bytes, unsigned code_page) {
  const std::string from = CodePageName(code_page);
  const auto le = detail::IconvConvert(bytes, "UTF-16LE", from.c_str(), kWideQuestionMark);
  return le ? CutAtZero(detail::WideFromLe(*le)) : std::u16string();
}

std::string WideToMultiByte(std::u16string_view wide, unsigned code_page) {
  const std::string to = CodePageName(code_page);
  const auto out = detail::IconvConvert(detail::LeFromWide(wide), to.c_str(), "UTF-16LE", "?");
  if (!out) return {};
  std::string text = *out;
  if (const auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  return text;
}

bool IsKnownCharset(std::string_view name) {
  if (name.empty()) return false;
  return detail::IconvConvert("", "UTF-16LE", IconvNameForCharset(name).c_str(), kWideQuestionMark)
      .has_value();
}

bool DecodeCharset(std::string_view bytes, std::string_view charset, std::u16string& out) {
  if (charset.empty()) return false;
  const std::string from = IconvNameForCharset(charset);
  const auto le = detail::IconvConvert(bytes, "UTF-16LE", from.c_str(), kWideQuestionMark);
  if (!le) return false;
  out = detail::WideFromLe(*le);
  return true;
}

bool EncodeCharset(std::u16string_view text, std::string_view charset, std::string& out) {
  if (charset.empty()) return false;
  const std::string to = IconvNameForCharset(charset);
  const auto bytes = detail::IconvConvert(detail::LeFromWide(text), to.c_str(), "UTF-16LE", "?");
  if (!bytes) return false;
  out = *bytes;
  return true;
}

}  // namespace kestrilo
