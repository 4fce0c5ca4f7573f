#pragma once

// What the script engine makes of a single-quoted string literal, of its
// unescape() and of its encodeURI() and encodeURIComponent(), worked out
// directly: a conversion that needs only these no longer pays for an
// engine.

#include <optional>
#include <string>
#include <string_view>

namespace kestrilo {

// The value of the literal whose characters between the quotes are `body`,
// a closing quote following and no other quote in the rest of the program,
// as the engine reads it outside strict mode: "\b", "\f", "\n", "\r", "\t",
// "\v", "\xHH", "\uHHHH", "\u{H...}" (to U+10FFFF), legacy octal escapes up
// to "\377", "\8" and "\9" as themselves, a backslash before a line break
// as nothing, any other escaped character as itself. Empty when the engine
// refuses the program: a line break (LF, CR, U+2028, U+2029) that is not
// escaped, a malformed hex escape, a quote inside `body`, or a final
// backslash, which escapes the closing quote and leaves the literal open.
std::optional<std::u16string> ReadQuotedLiteral(std::u16string_view body);

enum class UriKeeps {
  kUri,        // encodeURI: letters, digits, -_.!~*'() and ;/?:@&=+$,#
  kComponent,  // encodeURIComponent: letters, digits and -_.!~*'()
};

// encodeURI() and encodeURIComponent(): every other character as its UTF-8
// bytes, "%" and upper-case hex each; nothing when a surrogate has no
// partner, where the script function throws.
std::optional<std::string> EncodeUri(std::u16string_view text, UriKeeps keeps);

// The script function unescape(): "%uHHHH" and "%HH" (either case of hex
// digit; a lower-case "u" only) become the code unit they name; every other
// unit, a "%" that starts neither form included, stays.
std::u16string ScriptUnescape(std::u16string_view text);

}  // namespace kestrilo
