#include "text/script_string.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kestrilo {
namespace {

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool IsLineBreak(char16_t c) {
  return c == u'\n' || c == u'\r' || c == u'\u2028' || c == u'\u2029';
}

void AppendCodePoint(std::u16string& out, std::uint32_t code) {
  if (code < 0x10000) {
    out += static_cast<char16_t>(code);
    return;
  }
  code -= 0x10000;
  out += static_cast<char16_t>(0xD800 + (code >> 10));
  out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
}

// Reads `count` hex digits at `at`; the literal's closing quote is not
// one, so running out of `body` fails like any other non-digit.
std::optional<std::uint32_t> FixedHex(std::u16string_view body, std::size_t at,
                                      std::size_t count) {
  if (body.size() - at < count) return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const int digit = HexValue(body[at + i]);
    if (digit < 0) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return value;
}

}  // namespace

std::optional<std::u16string> ReadQuotedLiteral(std::u16string_view body) {
  std::u16string out;
  out.reserve(body.size());
  std::size_t i = 0;
  while (i < body.size()) {
    const char16_t c = body[i];
    if (c == u'\'' || IsLineBreak(c)) return std::nullopt;
    if (c != u'\\') {
      out += c;
      ++i;
      continue;
    }
    // A backslash at the end escapes the closing quote.
    if (i + 1 == body.size()) return std::nullopt;
    const char16_t e = body[i + 1];
    i += 2;
    switch (e) {
      case u'b': out += u'\b'; break;
      case u'f': out += u'\f'; break;
      case u'n': out += u'\n'; break;
      case u'r': out += u'\r'; break;
      case u't': out += u'\t'; break;
      case u'v': out += u'\v'; break;
      case u'x': {
        const auto value = FixedHex(body, i, 2);
        if (!value) return std::nullopt;
        out += static_cast<char16_t>(*value);
        i += 2;
        break;
      }
      case u'u': {
        if (i < body.size() && body[i] == u'{') {
          std::uint32_t value = 0;
          std::size_t digits = 0;
          for (++i;; ++i, ++digits) {
            if (i == body.size()) return std::nullopt;
            if (body[i] == u'}') break;
            const int digit = HexValue(body[i]);
            if (digit < 0) return std::nullopt;
            value = value << 4 | static_cast<std::uint32_t>(digit);
            if (value > 0x10FFFF) return std::nullopt;
          }
          if (digits == 0) return std::nullopt;
          ++i;
          AppendCodePoint(out, value);
          break;
        }
        const auto value = FixedHex(body, i, 4);
        if (!value) return std::nullopt;
        out += static_cast<char16_t>(*value);
        i += 4;
        break;
      }
      case u'\r':
        if (i < body.size() && body[i] == u'\n') ++i;
        break;
      case u'\n':
      case u'\u2028':
      case u'\u2029': break;
      case u'8':
      case u'9': out += e; break;
      default:
        if (e >= u'0' && e <= u'7') {
          // Up to three octal digits while the value stays within 0377.
          std::uint32_t value = static_cast<std::uint32_t>(e - u'0');
          for (int more = 0; more < 2 && i < body.size(); ++more, ++i) {
            const char16_t d = body[i];
            if (d < u'0' || d > u'7') break;
            const std::uint32_t next = value << 3 | static_cast<std::uint32_t>(d - u'0');
            if (next > 0xFF) break;
            value = next;
          }
          out += static_cast<char16_t>(value);
        } else {
          out += e;
        }
    }
  }
  return out;
}

std::optional<std::string> EncodeUri(std::u16string_view text, UriKeeps keeps) {
  static constexpr std::string_view kMarks = "-_.!~*'()";
  static constexpr std::string_view kReserved = ";/?:@&=+$,#";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  const auto escape = [&out](std::uint32_t byte) {
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t code = text[i];
    if (code < 0x80) {
      const char c = static_cast<char>(code);
      const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
      if (alnum || kMarks.find(c) != std::string_view::npos ||
          (keeps == UriKeeps::kUri && kReserved.find(c) != std::string_view::npos)) {
        out += c;
      } else {
        escape(code);
      }
      continue;
    }
    if (code >= 0xDC00 && code <= 0xDFFF) return std::nullopt;
    if (code >= 0xD800 && code <= 0xDBFF) {
      if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) {
        return std::nullopt;
      }
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (code < 0x800) {
      escape(0xC0 | code >> 6);
    } else if (code < 0x10000) {
      escape(0xE0 | code >> 12);
      escape(0x80 | (code >> 6 & 0x3F));
    } else {
      escape(0xF0 | code >> 18);
      escape(0x80 | (code >> 12 & 0x3F));
      escape(0x80 | (code >> 6 & 0x3F));
    }
    escape(0x80 | (code & 0x3F));
  }
  return out;
}

std::u16string ScriptUnescape(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%') {
      if (text.size() - i >= 6 && text[i + 1] == u'u') {
        if (const auto value = FixedHex(text, i + 2, 4)) {
          out += static_cast<char16_t>(*value);
          i += 5;
          continue;
        }
      }
      if (const auto value = FixedHex(text, i + 1, 2)) {
        out += static_cast<char16_t>(*value);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace kestrilo
