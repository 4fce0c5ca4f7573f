#include "text/url_encoding.h"

#include <string_view>

#include "runtime/automation_calls.h"
#include "runtime/text_commands.h"
#include "text/code_page_conversion.h"
#include "text/script_object.h"

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
  ScriptObject script;
  return script.Run(mode == 1 ? "encodeURIComponent" : "encodeURI", text);
}

Text UnescapeUnicode(const Text& text) {
  Text escaped = ReplaceText(text, kLineBreak, kLineBreakPlaceholder);
  // After the replacement a carriage return can only be a lone one.
  if (!escaped.empty() && escaped.front() == '\r') escaped.erase(0, 1);
  if (FindText(escaped, "\\u") != -1) escaped = ReplaceText(escaped, "\\u", "%u");
  escaped = ReplaceText(escaped, "'", kApostropheSubstitute);

  ObjectRef engine;
  ObjCreate(engine, "ScriptControl");
  ObjSetProperty(engine, "Language", {"JScript"});
  ObjCall(engine, "ExecuteStatement",
          {"function xx(){var x='" + escaped + "';return unescape(x);}"});
  const Text decoded = ObjCallText(engine, "Run", {"xx"});
  const Text fallback = UnicodeBytesToText(Bytes(escaped.begin(), escaped.end()));
  Text result = decoded.empty() ? fallback : decoded;
  ObjClear(engine);

  result = ReplaceText(result, kApostropheSubstitute, "'");
  return ReplaceText(result, kLineBreakPlaceholder, kLineBreak);
}

}  // namespace kestrilo
