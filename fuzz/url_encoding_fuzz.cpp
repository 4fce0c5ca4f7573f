// The two conversions the script engine makes: percent-encoding a keyword
// for an address, and reading "\uXXXX" escapes out of a reply.

#include <string_view>

#include "platform/platform_classes.h"
#include "text/url_encoding.h"

#include "fuzz_input.h"

namespace {

using namespace kestrilo;
using kestrilo::fuzz::FuzzInput;

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// What encodeURIComponent leaves as it is, and what encodeURI keeps besides.
bool KeptByComponent(char c) {
  return IsAlnum(c) || std::string_view("-_.!~*'()").find(c) != std::string_view::npos;
}
bool KeptByUri(char c) {
  return KeptByComponent(c) || std::string_view(";/?:@&=+$,#").find(c) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool registered = (RegisterPlatformClasses(), true);
  (void)registered;
  if (size > fuzz::kMaxInput) return -1;
  FuzzInput in(data, size);
  const Text text(in.NextText());
  const int mode = static_cast<int>(in.Byte() % 3);

  // Encoded, a text is only kept characters and well-formed escapes; plain
  // ASCII keeps exactly the characters the function names, in order.
  const Text encoded = UrlEncode(text, mode);
  const auto kept = mode == 1 ? KeptByComponent : KeptByUri;
  Text expected;
  bool ascii = true;
  for (const char c : text) {
    ascii = ascii && c > 0;
    if (kept(c)) {
      expected += c;
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      const auto byte = static_cast<unsigned char>(c);
      expected += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  if (ascii) FUZZ_CHECK(encoded == expected);
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] == '%') {
      FUZZ_CHECK(i + 2 < encoded.size() && IsHex(encoded[i + 1]) && IsHex(encoded[i + 2]));
      i += 2;
    } else {
      FUZZ_CHECK(kept(encoded[i]));
    }
  }

  // Nothing to decode leaves a text of letters, digits and blanks alone.
  const Text unescaped = UnescapeUnicode(text);
  bool plain = true;
  for (const char c : text) plain = plain && (IsAlnum(c) || c == ' ');
  if (plain) FUZZ_CHECK(unescaped == text);
  return 0;
}
