// A reply's declared character set, found by a regular expression in the
// head of any page and then used to decode the whole body through the
// stream class: any bytes, any charset name, no fault.

#include <string_view>

#include "platform/platform_classes.h"
#include "web/reply_charset.h"

#include "fuzz_input.h"

namespace {

using namespace kestrilo;
using kestrilo::fuzz::FuzzInput;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool registered = (RegisterPlatformClasses(), true);
  (void)registered;
  if (size > fuzz::kMaxInput) return -1;
  FuzzInput in(data, size);
  // The body's text ends at its first zero byte; the bytes go on behind it.
  const Text reply_text(in.NextText());
  const Bytes reply_bytes(data, data + size);

  const Text decoded = DecodeReplyText(reply_text, reply_bytes);
  // Without a tag naming a character set the text comes back untouched. The
  // pattern reads bytes, not characters, so the search for it must too.
  Text lowered = reply_text;
  for (char& c : lowered) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
  if (lowered.find("charset=") == Text::npos) FUZZ_CHECK(decoded == reply_text);
  return 0;
}
