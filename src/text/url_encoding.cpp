#include "text/url_encoding.h"

#include <optional>
#include <string>
#include <string_view>

#include "runtime/automation_calls.h"
#include "runtime/text_commands.h"
#include "runtime/variant.h"
#include "text/code_page_conversion.h"
#include "text/script_object.h"
#include "text/script_string.h"

namespace kestrilo {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
// Stands in for line breaks, which cannot appear inside a string literal.
constexpr std::string_view kLineBreakPlaceholder = "{$}";
// U+2019 in GBK (A1 AF); stands in for the apostrophe, which would end the
// literal.
constexpr std::string_view kApostropheSubstitute = "\xA1\xAF";

}  // namespace

Text UrlEncode(const Text& text, int mode) {
  const std::optional<std::string> encoded =
      EncodeUri(Utf16FromGbk(text), mode == 1 ? UriKeeps::kComponent : UriKeeps::kUri);
  return encoded ? Text(*encoded) : Text();
}

Text UrlEncodeThroughEngine(const Text& text, int mode) {
  ScriptObject script;
  return script.Run(mode == 1 ? "encodeURIComponent" : "encodeURI", text);
}

namespace {

// The steps around the decoding proper: line breaks and apostrophes are
// put out of the literal's way first and back afterwards, and a text the
// literal refuses (decoded empty) is read as UTF-16LE bytes instead.
template <typename Decode>
Text UnescapeAround(const Text& text, Decode decode) {
  Text escaped = ReplaceText(text, kLineBreak, kLineBreakPlaceholder);
  // After the replacement a carriage return can only be a lone one.
  if (!escaped.empty() && escaped.front() == '\r') escaped.erase(0, 1);
  if (FindText(escaped, "\\u") != -1) escaped = ReplaceText(escaped, "\\u", "%u");
  escaped = ReplaceText(escaped, "'", kApostropheSubstitute);

  const Text decoded = decode(escaped);
  Text result = decoded.empty() ? UnicodeBytesToText(Bytes(escaped.begin(), escaped.end()))
                                : decoded;
  result = ReplaceText(result, kApostropheSubstitute, "'");
  return ReplaceText(result, kLineBreakPlaceholder, kLineBreak);
}

}  // namespace

Text UnescapeUnicode(const Text& text) {
  return UnescapeAround(text, [](const Text& escaped) {
    const std::optional<std::u16string> literal = ReadQuotedLiteral(Utf16FromGbk(escaped));
    return literal ? GbkFromUtf16(ScriptUnescape(*literal)) : Text();
  });
}

Text UnescapeUnicodeThroughEngine(const Text& text) {
  return UnescapeAround(text, [](const Text& escaped) {
    ObjectRef engine;
    ObjCreate(engine, "ScriptControl");
    ObjSetProperty(engine, "Language", {"JScript"});
    ObjCall(engine, "ExecuteStatement",
            {"function xx(){var x='" + escaped + "';return unescape(x);}"});
    const Text decoded = ObjCallText(engine, "Run", {"xx"});
    ObjClear(engine);
    return decoded;
  });
}

}  // namespace kestrilo
