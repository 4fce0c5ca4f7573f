#include "web/request_headers.h"

#include <cstddef>
#include <string>

#include "runtime/text_commands.h"
#include "text/marker_slicing.h"

namespace kestrilo {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

struct DefaultHeader {
  std::string_view key;
  std::string_view line;
  bool post_only;
};

// Tested and appended in this order. The Content-Type key has no blank
// behind its colon, unlike the others, so "Content-Type:x" counts as given.
constexpr DefaultHeader kDefaultHeaders[] = {
    {"User-Agent: ",
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n",
     false},
    {"Accept: ", "Accept: text/html, application/xhtml+xml, */*\r\n", false},
    // Names character sets, not content codings; the sites are used to it.
    {"Accept-Encoding: ", "Accept-Encoding: gbk, GB2312\r\n", false},
    {"Accept-Language: ", "Accept-Language: zh-cn\r\n", false},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded\r\n", true},
    {"Cache-Control: ", "Cache-Control: no-cache\r\n", false},
};

// Upper-cases the first byte and every byte behind a "-"; a "-" at the end
// stays, which a plain split and join would lose.
Text CapitalizeNameParts(std::string_view name) {
  Text result;
  std::size_t from = 0;
  while (true) {
    const std::size_t dash = name.find('-', from);
    // npos - from still reaches the end of the name.
    result += CapitalizeFirst(name.substr(from, dash - from));
    if (dash == std::string_view::npos) break;
    result += '-';
    from = dash + 1;
  }
  return result;
}

}  // namespace

Text CapitalizeFirst(std::string_view text) {
  Text result(text);
  if (!result.empty() && result[0] >= 'a' && result[0] <= 'z') result[0] -= 'a' - 'A';
  return result;
}

Text NormalizeHeaders(std::string_view block) {
  Text result;
  for (const std::string_view line : SplitTextViews(block, kLineEnd)) {
    const int colon = FindText(line, ":");
    if (colon == -1) continue;
    const auto name_length = static_cast<std::size_t>(colon - 1);
    result += CapitalizeNameParts(line.substr(0, name_length));
    result += line.substr(name_length);
    result += kLineEnd;
  }
  if (!result.empty()) result.resize(result.size() - kLineEnd.size());
  return result;
}

Text HeaderValueByName(std::string_view block, std::string_view name) {
  for (const std::string_view line : SplitTextViews(block, kLineEnd)) {
    if (line.substr(0, name.size()) == name) return TextRightOf(line, Text(name) + ": ");
  }
  return {};
}

Text BuildRequestHeaders(std::string_view headers, int method, std::string_view cookies,
                         bool add_default_headers, bool normalize_headers) {
  Text block(headers);
  if (!block.empty()) block += kLineEnd;

  if (add_default_headers) {
    for (const DefaultHeader& row : kDefaultHeaders) {
      if (row.post_only && method != 1) continue;
      if (FindText(block, row.key, {}, true) == -1) block += row.line;
    }
  }

  if (normalize_headers) block = NormalizeHeaders(block);

  // Only a keep-alive line followed by a line end goes; in a normalized
  // block the last line has none and so stays.
  if (FindText(block, "Connection") != -1 &&
      HeaderValueByName(block, "Connection") == "keep-alive") {
    block = ReplaceText(block, "Connection: keep-alive\r\n", "");
  }

  if (!cookies.empty() && FindText(block, "Cookie:", {}, true) == -1) {
    if (FindText(cookies, "Cookie:", {}, true) != -1) {
      block += kLineEnd;
    } else {
      block += "\r\nCookie: ";
    }
    block += cookies;
    block += kLineEnd;
  }
  return block;
}

}  // namespace kestrilo
