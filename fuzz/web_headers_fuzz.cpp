// Header blocks, reply headers, both cookie merges and the parts of an
// address, from any bytes. Every input must come through without a fault;
// where the texts are plain ASCII the results are also checked against
// models written byte by byte, which the double-byte rule cannot disturb.

#include <algorithm>
#include <string_view>
#include <vector>

#include "runtime/text_commands.h"
#include "web/inet_cookies.h"
#include "web/reply_headers.h"
#include "web/request_headers.h"
#include "web/url_parts.h"

#include "fuzz_input.h"

namespace {

using namespace kestrilo;
using kestrilo::fuzz::FuzzInput;

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c > 0; });
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

// Pieces between separators; none for the empty text, and no empty piece
// behind a separator that ends the text.
std::vector<Text> Split(std::string_view text, std::string_view separator) {
  std::vector<Text> pieces;
  std::size_t from = 0;
  while (from < text.size()) {
    const std::size_t at = text.find(separator, from);
    pieces.emplace_back(text.substr(from, at - from));
    if (at == std::string_view::npos) break;
    from = at + separator.size();
    if (from == text.size()) break;
  }
  return pieces;
}

Text Join(const std::vector<Text>& pieces, std::string_view separator) {
  Text joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i > 0) joined += separator;
    joined += pieces[i];
  }
  return joined;
}

Text Trim(std::string_view text) {
  const std::size_t begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return {};
  return Text(text.substr(begin, text.find_last_not_of(' ') + 1 - begin));
}

Text Name(std::string_view entry) { return Trim(entry.substr(0, entry.find('='))); }

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

Text ExpectedNormalized(std::string_view block) {
  std::vector<Text> lines;
  for (Text line : Split(block, "\r\n")) {
    const std::size_t colon = line.find(':');
    if (colon == Text::npos) continue;
    for (std::size_t i = 0; i < colon; ++i) {
      if (i == 0 || line[i - 1] == '-') line[i] = Upper(line[i]);
    }
    lines.push_back(line);
  }
  return Join(lines, "\r\n");
}

// The reply's cookie entry of one "Set-Cookie: " line: up to the first ";",
// or else the line with every "set-cookie:" in any case taken out.
Text ReplyEntry(std::string_view line) {
  constexpr std::size_t kNameEnd = 11;  // behind "Set-Cookie:"
  const std::size_t semicolon = line.find(';');
  if (semicolon != std::string_view::npos) {
    return Trim(line.substr(kNameEnd, semicolon - kNameEnd));
  }
  Text lowered(line);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(), Lower);
  Text rest;
  for (std::size_t at = 0; at < line.size();) {
    if (lowered.compare(at, kNameEnd, "set-cookie:") == 0) {
      at += kNameEnd;
    } else {
      rest += line[at++];
    }
  }
  return Trim(rest);
}

void CheckReplyHeaders(std::string_view block) {
  Text cookies = "kept=1";
  Text location = "unchanged";
  const Text status = ReadReplyHeaders(block, cookies, location);
  if (!IsAscii(block)) return;
  const std::size_t line_end = block.find("\r\n", 9);
  FUZZ_CHECK(status ==
             (line_end == std::string_view::npos ? Text() : Text(block.substr(9, line_end - 9))));
  Text expected_cookies = "kept=1";
  Text expected_location = "unchanged";
  for (const Text& line : Split(block, "\r\n")) {
    if (line.find(": ") == 10 && line.compare(0, 10, "Set-Cookie") == 0) {
      expected_cookies += ReplyEntry(line) + "; ";
    }
    Text head = line.substr(0, 10);
    std::transform(head.begin(), head.end(), head.begin(), Lower);
    if (head == "location: ") expected_location = line.substr(10);
  }
  if (EndsWith(expected_cookies, "; ")) expected_cookies.resize(expected_cookies.size() - 2);
  FUZZ_CHECK(cookies == expected_cookies);
  FUZZ_CHECK(location == expected_location);
}

// Reply entries first, then the old ones whose name is not taken yet; the
// deleted ones go; `unique` drops exact repeats.
std::vector<Text> Merged(const std::vector<Text>& old_entries, std::vector<Text> merged,
                         bool unique) {
  for (const Text& entry : old_entries) {
    const bool named = std::any_of(merged.begin(), merged.end(),
                                   [&](const Text& kept) { return Name(kept) == Name(entry); });
    if (!named) merged.push_back(entry);
  }
  std::vector<Text> result;
  for (const Text& entry : merged) {
    if (EndsWith(entry, "=deleted")) continue;
    if (unique && std::find(result.begin(), result.end(), entry) != result.end()) continue;
    result.push_back(entry);
  }
  return result;
}

Text Tidy(std::string_view cookies) {
  Text tidy = Trim(cookies);
  if (EndsWith(tidy, ";")) tidy += ' ';
  return tidy;
}

void CheckReplyMerge(std::string_view old_text, std::string_view new_text) {
  Text cookies(old_text);
  Text new_cookies(new_text);
  const Text returned = MergeReplyCookies(cookies, new_cookies);
  FUZZ_CHECK(returned == cookies);
  if (!IsAscii(old_text) || !IsAscii(new_text)) return;
  const Text old_tidy = Tidy(old_text);
  const Text new_tidy = Tidy(new_text);
  FUZZ_CHECK(new_cookies == new_tidy);
  // The joined entries are split and joined once more by the de-duplication,
  // which loses an empty last entry.
  std::vector<Text> entries = Merged(Split(old_tidy, "; "), Split(new_tidy, "; "), false);
  std::vector<Text> unique;
  for (const Text& entry : Split(Join(entries, "; "), "; ")) {
    if (std::find(unique.begin(), unique.end(), entry) == unique.end()) unique.push_back(entry);
  }
  FUZZ_CHECK(cookies == Join(unique, "; "));
}

void CheckInetMerge(std::string_view old_text, std::string_view new_text) {
  Text cookies(old_text);
  Text new_cookies(new_text);
  MergeCookies(cookies, new_cookies);
  if (!IsAscii(old_text) || !IsAscii(new_text)) return;
  Text old_bare(old_text);
  old_bare.erase(std::remove(old_bare.begin(), old_bare.end(), ' '), old_bare.end());
  Text new_bare(new_text);
  new_bare.erase(std::remove(new_bare.begin(), new_bare.end(), ' '), new_bare.end());
  FUZZ_CHECK(new_cookies == new_bare);
  const std::vector<Text> entries = Merged(Split(old_bare, ";"), Split(new_bare, ";"), false);
  FUZZ_CHECK(cookies == Join(entries, "; "));
}

void CheckUrlParts(std::string_view address) {
  const Text host = UrlHost(address);
  const Text host_and_port = UrlHost(address, true);
  const int port = UrlPort(address);
  const Text path = UrlPath(address);
  FUZZ_CHECK(host_and_port.compare(0, host.size(), host) == 0);
  FUZZ_CHECK(!path.empty() && path.front() == '/');
  if (!IsAscii(address)) return;
  FUZZ_CHECK(host.find(':') == Text::npos && host_and_port.find('/') == Text::npos);
  FUZZ_CHECK(std::none_of(host_and_port.begin(), host_and_port.end(),
                          [](char c) { return c >= 'A' && c <= 'Z'; }));
  FUZZ_CHECK(path == "/" || EndsWith(address, path));
  if (host_and_port.find(':') == Text::npos) {
    Text scheme(address.substr(0, 5));
    std::transform(scheme.begin(), scheme.end(), scheme.begin(), Lower);
    FUZZ_CHECK(port == (scheme == "https" ? 443 : 80));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::kMaxInput) return -1;
  FuzzInput in(data, size);
  const std::string_view first = in.NextText();
  const std::string_view second = in.NextText();

  const Text normalized = NormalizeHeaders(first);
  if (IsAscii(first)) FUZZ_CHECK(normalized == ExpectedNormalized(first));
  CheckReplyHeaders(first);
  CheckReplyMerge(first, second);
  CheckInetMerge(first, second);
  CheckUrlParts(first);
  CheckUrlParts(second);
  return 0;
}
