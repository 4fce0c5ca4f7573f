// Cut induction over arbitrary replies: the first text is the reply, the
// texts after it the keywords other sources found (as many as the first
// control byte says, all when it is 0). Induction never crashes or hangs; a
// suggested cut, run by the recipe runner over that reply, appends exactly
// what the suggestion says it takes, among them every keyword it stands on
// in one of the forms a reply may hold it. And JsonStrings, the reply read
// as UTF-8: each path it gives picks exactly the strings it lists under
// that path, in the same order.

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "mining/cut_induction.h"
#include "mining/json_cut.h"
#include "mining/recipe_file.h"
#include "mining/recipe_source.h"
#include "runtime/gbk.h"
#include "runtime/variant.h"

#include "source_harness.h"

using namespace kestrilo;

namespace {

class ReplyOnce final : public RequestRoutines {
 public:
  explicit ReplyOnce(const Text& reply) : reply_(reply) {}
  Text WebRequest(const Text&, const Text&) override { return reply_; }
  Text InetRequestText(const Text&, const Text&) override { return reply_; }

 private:
  const Text& reply_;
};

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecoded(std::string_view text) {
  std::string bytes;
  for (std::size_t at = 0; at < text.size();) {
    if (text[at] == '%' && at + 2 < text.size() && Hex(text[at + 1]) >= 0 &&
        Hex(text[at + 2]) >= 0) {
      bytes += static_cast<char>(Hex(text[at + 1]) * 16 + Hex(text[at + 2]));
      at += 3;
    } else {
      bytes += text[at++];
    }
  }
  return bytes;
}

// "&#25163;" and "&#x624b;" decoded, the rest read as GBK.
std::u16string EntitiesDecoded(std::string_view text) {
  std::u16string units;
  std::string plain;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t close = text.substr(at, 2) == "&#" ? text.find(';', at) : std::string::npos;
    if (close == std::string::npos || close - at > 10) {
      plain += text[at++];
      continue;
    }
    const bool hex = at + 2 < close && (text[at + 2] == 'x' || text[at + 2] == 'X');
    std::uint32_t code = 0;
    for (std::size_t digit = at + (hex ? 3 : 2); digit < close; ++digit) {
      code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(std::max(Hex(text[digit]), 0));
    }
    units += Utf16FromGbk(plain);
    plain.clear();
    if (code >= 0x10000 && code <= 0x10FFFF) {
      units += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      units += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      units += static_cast<char16_t>(code);
    }
    at = close + 1;
  }
  return units + Utf16FromGbk(plain);
}

// A take stands for a keyword as it is (or unescaped), or as its percent
// (UTF-8 or GBK bytes) or entity form spells it.
bool Spells(const Text& take, const Text& keyword) {
  const std::string decoded = PercentDecoded(take);
  return take == keyword || decoded == keyword || GbkFromUtf8(decoded) == keyword ||
         GbkFromUtf16(EntitiesDecoded(take)) == keyword;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::kMaxInput) return -1;
  fuzz::FuzzInput in(data, size);
  const unsigned wanted = in.Byte();
  const Text reply(in.NextText());
  std::vector<Text> known;
  for (int piece = 0; piece < 64 && (wanted == 0 || known.size() < wanted); ++piece) {
    const std::string_view keyword = in.NextText();
    if (!keyword.empty()) known.emplace_back(keyword);
  }

  const CutSuggestion suggestion = SuggestCut(reply, known);

  if (!suggestion.cut) {
    FUZZ_CHECK(!suggestion.reason.empty());
    FUZZ_CHECK(suggestion.takes.empty() && suggestion.induced_from.empty());
  } else {
    FUZZ_CHECK(suggestion.reason.empty());
    FUZZ_CHECK(suggestion.induced_from.size() >= 3);
    SourceRecipe recipe;
    recipe.name = "mended";
    recipe.address = AddressTemplate({{AddressTemplate::Slot::kText, "https://s.example/?q="},
                                      {AddressTemplate::Slot::kSeed, {}}});
    recipe.cuts = {*suggestion.cut};
    fuzz::FuzzWindow window;
    ReplyOnce replies(reply);
    SourceContext context(window, replies);
    SourceFromRecipe(recipe, 0).step(context);
    Text expected;
    for (const Text& take : suggestion.takes) expected += take + "\r\n";
    FUZZ_CHECK(window.ResultBox().Content() == expected);
    for (const Text& keyword : suggestion.induced_from) {
      FUZZ_CHECK(std::find(known.begin(), known.end(), keyword) != known.end());
      bool taken = false;
      for (const Text& take : suggestion.takes) taken = taken || Spells(take, keyword);
      FUZZ_CHECK(taken);
    }
  }

  std::map<std::string, std::vector<std::string>> under;
  for (auto& [path, text] : JsonStrings(reply)) under[path].push_back(std::move(text));
  for (const auto& [path, strings] : under) {
    std::string error;
    const std::optional<std::vector<JsonStep>> steps = ParseJsonPath(path, error);
    FUZZ_CHECK(steps);
    FUZZ_CHECK(JsonCut(reply, *steps) == strings);
  }
  return 0;
}
