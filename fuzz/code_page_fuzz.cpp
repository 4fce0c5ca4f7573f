// UTF-8 replies and UTF-16LE bytes turned into program text. Whatever comes
// in, what comes out must be text the code page can carry: converting it
// back and forth again changes nothing.

#include <algorithm>
#include <optional>
#include <string_view>

#include "runtime/code_pages.h"
#include "runtime/gbk.h"
#include "text/code_page_conversion.h"

#include "fuzz_input.h"

namespace {

using namespace kestrilo;
using kestrilo::fuzz::FuzzInput;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::kMaxInput) return -1;
  FuzzInput in(data, size);
  const Text utf8(in.NextText());

  const Text gbk = Utf8ToGbk(utf8);
  FUZZ_CHECK(gbk.find('\0') == Text::npos);
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return c > 0; })) FUZZ_CHECK(gbk == utf8);
  FUZZ_CHECK(Utf8ToGbk(Utf8FromGbk(gbk)) == gbk);

  // The wide bytes keep their zeros: they come from the whole input, the
  // zero bytes that separate texts included.
  static constexpr std::optional<unsigned> kCodePages[] = {std::nullopt, kCodePageGbk,
                                                           kCodePageUtf8, 1252};
  const std::optional<unsigned> code_page = kCodePages[in.Byte() % 4];
  const Bytes wide(data, data + size);
  const Text text = WideToText(wide, code_page);
  FUZZ_CHECK(text.find('\0') == Text::npos);
  const Bytes again = TextToWide(text, code_page.value_or(kCodePageAnsi));
  FUZZ_CHECK(again.size() >= 2 && again[again.size() - 1] == 0 && again[again.size() - 2] == 0);
  FUZZ_CHECK(WideToText(again, code_page) == text);
  return 0;
}
