// Reading "\uXXXX" escapes and percent-encoding without the script engine
// against the engine itself: the same bytes for any text.

#include "platform/platform_classes.h"
#include "text/url_encoding.h"

#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool registered = (kestrilo::RegisterPlatformClasses(), true);
  (void)registered;
  if (size > kestrilo::fuzz::kMaxInput) return -1;
  const kestrilo::Text text(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(kestrilo::UnescapeUnicode(text) == kestrilo::UnescapeUnicodeThroughEngine(text));
  const int mode = size > 0 ? data[0] % 2 : 0;
  FUZZ_CHECK(kestrilo::UrlEncode(text, mode) == kestrilo::UrlEncodeThroughEngine(text, mode));
  return 0;
}
