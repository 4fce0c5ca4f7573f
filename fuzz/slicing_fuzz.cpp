// Cutting by markers: every cut comes out of the text, sits between or beside
// its markers, and TextBetweenAll ends for any markers, empty ones included.

#include <optional>
#include <string_view>

#include "runtime/text_commands.h"
#include "runtime/ui_port.h"
#include "text/marker_slicing.h"
#include "text/text_between_all.h"

#include "fuzz_input.h"

namespace {

using namespace kestrilo;
using kestrilo::fuzz::Contains;
using kestrilo::fuzz::EndsWith;
using kestrilo::fuzz::FuzzInput;
using kestrilo::fuzz::StartsWith;

// Counts message pumping: TextBetweenAll pumps three times a piece, so the
// count shows a search that no longer moves on long before a time-out would.
class CountingUiPort final : public UiPort {
 public:
  explicit CountingUiPort(long limit) : limit_(limit) {}
  MsgBoxButton ShowMessageBox(const MsgBoxRequest&) override { return MsgBoxButton::kOk; }
  void ProcessPendingEvents() override { FUZZ_CHECK(++passes_ <= limit_); }
  void Wait(std::chrono::milliseconds) override {}

 private:
  long limit_;
  long passes_ = 0;
};

// `marker` matches where `text` begins, walking the double-byte rule from there.
bool BeginsWithMarker(std::string_view text, std::string_view marker, bool fold) {
  return FindText(text, marker, 1, fold) == 1;
}

Text Unquoted(std::string_view marker) { return ReplaceText(marker, "#\xD2\xFD\xBA\xC5", "\""); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::kMaxInput) return -1;
  FuzzInput in(data, size);
  const std::string_view text = in.NextText();
  const std::string_view left = in.NextText();
  const std::string_view right = in.NextText();
  const bool fold = in.Flag();
  const std::optional<int> start = in.Position(text.size());

  // A piece lies between its markers, and holds no right marker of its own;
  // a marker with the placeholder cuts as one with the quote written out.
  const Text l = Unquoted(left);
  const Text r = Unquoted(right);
  for (const bool any_case : {false, true}) {
    const auto between = any_case ? TextBetweenAnyCase : TextBetween;
    const bool flag = any_case ? !fold : fold;
    const Text piece = between(text, left, right, start, flag);
    FUZZ_CHECK(piece == between(text, l, r, start, flag));
    FUZZ_CHECK(Contains(text, piece));
    if (!piece.empty() && !r.empty()) FUZZ_CHECK(FindText(piece, r, 1, fold) == -1);
    if (!piece.empty() && !fold) FUZZ_CHECK(Contains(text, l + piece + r));
  }

  // A left cut is followed by its marker, a right cut preceded by it.
  const Text before = TextLeftOf(text, left, start, fold);
  FUZZ_CHECK(StartsWith(text, before));
  if (!before.empty()) FUZZ_CHECK(BeginsWithMarker(text.substr(before.size()), left, fold));
  const Text behind = TextRightOf(text, left, start, fold);
  FUZZ_CHECK(EndsWith(text, behind));
  if (!behind.empty()) {
    FUZZ_CHECK(behind.size() + left.size() <= text.size());
    FUZZ_CHECK(
        BeginsWithMarker(text.substr(text.size() - behind.size() - left.size()), left, fold));
  }

  BetweenAllOptions options;
  options.case_insensitive = fold;
  options.start_pos = start.value_or(0);
  options.max_length = in.Position(8).value_or(0);
  options.with_left = static_cast<int>(in.Byte() % 3);
  options.with_right = static_cast<int>(in.Byte() % 3);
  options.prefix = in.Flag() ? "<" : "";
  options.suffix = in.Flag() ? "\xA1\xB7" : "";
  TextList items{"left over"};
  CountingUiPort port(3 * (static_cast<long>(text.size()) + 1));
  const ScopedUiPort scoped(port);
  FUZZ_CHECK(TextBetweenAll(text, left, right, items, options) == ArrayCount(items));
  const Text head = (options.with_left == 1 ? Text(left) : Text()) + options.prefix;
  const Text tail = options.suffix + (options.with_right == 1 ? Text(right) : Text());
  for (const Text& item : items) {
    FUZZ_CHECK(options.max_length == 0 || TextLength(item) < options.max_length);
    FUZZ_CHECK(StartsWith(item, head) && EndsWith(item, tail) &&
               item.size() >= head.size() + tail.size());
    const std::string_view piece =
        std::string_view(item).substr(head.size(), item.size() - head.size() - tail.size());
    FUZZ_CHECK(Contains(text, fold ? piece : Text(left) + Text(piece) + Text(right)));
    if (!right.empty()) FUZZ_CHECK(FindText(piece, right, 1, fold) == -1);
  }
  return 0;
}
