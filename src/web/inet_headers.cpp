#include "web/inet_headers.h"

#include <cstddef>

#include "runtime/text_commands.h"
#include "text/marker_slicing.h"

namespace kestrilo {
namespace {

// What the header query leaves in the buffer, read as text.
Text FetchedHeaders(std::optional<std::string_view> raw_block) {
  if (!raw_block || raw_block->size() >= static_cast<std::size_t>(kInetHeaderBufferSize)) {
    return SpaceText(kInetHeaderBufferSize);
  }
  // Text read from a buffer ends at its first zero byte.
  return Text(raw_block->substr(0, raw_block->find('\0')));
}

}  // namespace

Text HeaderValue(std::string_view line) {
  const int colon = FindText(line, ":");
  if (colon == -1) return {};
  return TrimSpaces(line.substr(static_cast<std::size_t>(colon)));
}

void AddInetHeaderDefaults(Text& headers, std::string_view url, std::string_view cookies) {
  if (FindText(headers, "Referer:") == -1) {
    headers += headers.empty() ? "Referer: " : "\r\nReferer: ";
    headers += url;
  }
  if (FindText(headers, "Accept:") == -1) headers += "\r\nAccept: */*";
  if (FindText(headers, "Accept-Language:") == -1) headers += "\r\nAccept-Language: zh-cn";
  if (FindText(headers, "Content-Type:") == -1) {
    headers += "\r\nContent-Type: application/x-www-form-urlencoded";
  }
  if (!cookies.empty()) {
    headers += "\r\nCookie: ";
    headers += cookies;
  }
}

void ReadInetReplyHeaders(std::optional<std::string_view> raw_block, Text& response_headers,
                          Text& location, Text& new_cookies) {
  response_headers = FetchedHeaders(raw_block);
  new_cookies.clear();
  for (const std::string_view line : SplitTextViews(response_headers, "\r\n")) {
    // Any line holding the marker counts, a Content-Location one as well.
    if (FindText(line, "Location:") != -1) location = HeaderValue(line);
    if (FindText(line, "Set-Cookie") != -1) {
      new_cookies += TrimSpaces(TextBetween(line, "Set-Cookie:", ";", {}, true));
      new_cookies += "; ";
    }
  }
  new_cookies = LeftText(new_cookies, TextLength(new_cookies) - 2);
  if (location.empty()) location = response_headers;
}

}  // namespace kestrilo
