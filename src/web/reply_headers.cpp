#include "web/reply_headers.h"

#include <algorithm>

#include "runtime/text_commands.h"
#include "runtime/ui_port.h"
#include "text/marker_slicing.h"
#include "text/remove_duplicates.h"
#include "web/cookie_name.h"

namespace kestrilo {
namespace {

constexpr std::string_view kSeparator = "; ";
constexpr std::string_view kLocationPrefix = "Location: ";
// Byte 10 is the first one behind "HTTP/1.1 ".
constexpr int kStatusStart = 10;

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

Text StatusText(std::string_view block) {
  const int line_end = FindText(block, "\r\n", kStatusStart);
  if (line_end == -1) return {};
  return MidText(block, kStatusStart, line_end - kStatusStart);
}

// The "name=value" part of a Set-Cookie line, without attributes.
Text ReplyCookieEntry(std::string_view line) {
  if (FindText(line, ";") != -1) return TrimSpaces(TextBetween(line, "Set-Cookie:", ";"));
  return TrimSpaces(ReplaceText(line, "Set-Cookie:", "", {}, {}, false));
}

// Trimmed, and a final ";" gets its blank so that splitting at "; " leaves
// no entry ending in ";".
void TidyCookieText(Text& cookies) {
  cookies = TrimSpaces(cookies);
  if (EndsWith(cookies, ";")) cookies += ' ';
}

}  // namespace

Text ReadReplyHeaders(std::string_view response_headers, Text& new_cookies, Text& location) {
  const Text status = StatusText(response_headers);
  for (const std::string_view line : SplitTextViews(response_headers, "\r\n")) {
    if (TextLeftOf(line, ": ") == "Set-Cookie") {
      new_cookies += ReplyCookieEntry(line);
      new_cookies += kSeparator;
    }
    if (CompareText(LeftText(line, TextLength(kLocationPrefix)), kLocationPrefix, false) == 0) {
      location = Text(line.substr(kLocationPrefix.size()));
    }
    DoEvents();
  }
  if (EndsWith(new_cookies, kSeparator)) new_cookies.resize(new_cookies.size() - kSeparator.size());
  return status;
}

bool HasCookieNamed(const TextList& entries, std::string_view name) {
  return std::any_of(entries.begin(), entries.end(),
                     [name](const Text& entry) { return CookieName(entry) == name; });
}

Text MergeReplyCookies(Text& cookies, Text& new_cookies) {
  TidyCookieText(cookies);
  TidyCookieText(new_cookies);
  const TextList old_entries = SplitText(cookies, kSeparator);
  TextList merged = SplitText(new_cookies, kSeparator);
  // Checked against the growing list, so of several old entries with one
  // name only the first is carried over.
  for (const Text& entry : old_entries) {
    if (!HasCookieNamed(merged, CookieName(entry))) merged.push_back(entry);
  }

  cookies.clear();
  for (const Text& entry : merged) {
    if (RightText(entry, 8) == "=deleted") continue;
    cookies += entry;
    cookies += kSeparator;
  }
  if (!cookies.empty()) cookies.resize(cookies.size() - kSeparator.size());
  cookies = RemoveDuplicates(cookies, kSeparator, SplitMode::kSeparator);
  return cookies;
}

}  // namespace kestrilo
