// GBK and UTF-8 at the program's edges: any bytes in, well-formed text out.

#include <algorithm>
#include <string>

#include "runtime/gbk.h"

#include "fuzz_input.h"

namespace {

using namespace kestrilo;

// Structure only: lead bytes, continuation counts, no zero byte.
bool IsUtf8(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    const std::size_t n = lead < 0x80                   ? 1
                          : lead >= 0xC2 && lead < 0xE0 ? 2
                          : lead >= 0xE0 && lead < 0xF0 ? 3
                          : lead >= 0xF0 && lead < 0xF5 ? 4
                                                        : 0;
    if (lead == 0 || n == 0 || pos + n > text.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(text[pos + k]) & 0xC0) != 0x80) return false;
    }
    pos += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::kMaxInput) return -1;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const std::string utf8 = Utf8FromGbk(bytes);
  FUZZ_CHECK(IsUtf8(utf8));
  const Text gbk = GbkFromUtf8(bytes);
  FUZZ_CHECK(gbk.find('\0') == Text::npos);
  // What came out of GBK goes back into GBK and out again unchanged.
  FUZZ_CHECK(Utf8FromGbk(GbkFromUtf8(utf8)) == utf8);

  // Both encodings are ASCII in ASCII; a text ends at its first zero.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return c >= 0; })) {
    const std::string_view ascii = bytes.substr(0, bytes.find('\0'));
    FUZZ_CHECK(utf8 == ascii && gbk == ascii);
  }

  // A bad character costs itself only: a line break behind it, which can
  // neither end a GBK character nor continue a UTF-8 one, survives.
  fuzz::FuzzInput in(data, size);
  const std::string_view a = in.NextText();
  const std::string_view b = in.NextText();
  const std::string joined = std::string(a) + "\n" + std::string(b);
  FUZZ_CHECK(Utf8FromGbk(joined) == Utf8FromGbk(a) + "\n" + Utf8FromGbk(b));
  FUZZ_CHECK(GbkFromUtf8(joined) == GbkFromUtf8(a) + "\n" + GbkFromUtf8(b));
  return 0;
}
