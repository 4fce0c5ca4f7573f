// The table conversion from UTF-8 to GBK against the one through iconv and
// UTF-16 that it replaces: the same bytes for any input.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "runtime/code_pages.h"
#include "runtime/utf8_gbk_table.h"
#include "text/code_page_conversion.h"

#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kestrilo::fuzz::kMaxInput) return -1;
  const kestrilo::Text utf8(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(kestrilo::Utf8ToGbkByTable(utf8) ==
             kestrilo::WideToText(kestrilo::TextToWide(utf8), kestrilo::kCodePageGbk));
  return 0;
}
