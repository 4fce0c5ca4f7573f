#include "mining/recipe_source.h"

#include <algorithm>

#include "mining/json_cut.h"
#include "runtime/conversion.h"
#include "runtime/gbk.h"
#include "runtime/text_commands.h"
#include "text/code_page_conversion.h"
#include "text/marker_slicing.h"
#include "text/text_between_all.h"
#include "text/url_encoding.h"

namespace kestrilo {
namespace {

class RecipeRun {
 public:
  RecipeRun(const SourceRecipe& recipe, int pause_ms, SourceContext& context)
      : recipe_(recipe), pause_ms_(pause_ms), context_(context), state_(context.Current()) {}

  void Run() {
    // The seed is read afresh for every address: an edit of the keyword box
    // during the run reaches the next request.
    state_.reply = Fetch(recipe_.address.Fill(Seed()));
    if (!recipe_.pages) {
      CutAndAppend();
      return;
    }
    // The first page only tells how many pages there are: its keywords come
    // again with page 1.
    const RecipePages& pages = *recipe_.pages;
    const int count =
        std::min(ToInt(TextBetween(state_.reply, pages.count.left, pages.count.right)), pages.max);
    for (state_.page = 1; state_.page <= count; ++state_.page) {
      if (context_.Closing()) return;
      state_.reply = Fetch(pages.address.Fill(Seed(), state_.page));
      if (!CutAndAppend()) return;
    }
  }

 private:
  Text Seed() const {
    switch (recipe_.seed) {
      case SeedForm::kUri: return UrlEncode(context_.Seed());
      case SeedForm::kUriComponent: return UrlEncode(context_.Seed(), 1);
      case SeedForm::kGbk: break;
    }
    return context_.Seed();
  }

  Text Fetch(const Text& address) {
    ++state_.requests;
    RequestRoutines& requests = context_.Requests();
    Text headers;
    for (const Text& line : recipe_.headers) headers += (headers.empty() ? "" : "\r\n") + line;
    Text reply = recipe_.engine == RecipeEngine::kWeb ? requests.WebRequest(address, headers)
                                                      : requests.InetRequestText(address, headers);
    if (recipe_.reply != ReplyForm::kUtf8) return reply;
    // Kept as it came for what GBK cannot hold: JSON to parse, and strings
    // to remove before the conversion would make them "?".
    utf8_reply_ = std::move(reply);
    return Utf8ToGbk(utf8_reply_);
  }

  // The reply a marker cut works on: the fetched one, without the strings
  // the cut removes, taken out before the conversion to GBK.
  Text MarkerText(const RecipeCut& cut) const {
    if (cut.remove.empty()) return state_.reply;
    if (recipe_.reply == ReplyForm::kUtf8) return Utf8ToGbk(WithoutRemoved(utf8_reply_, cut));
    Text text = state_.reply;
    for (const std::string& removed : cut.remove) {
      // A string GBK cannot hold cannot be in a GBK reply either.
      const Text gbk = GbkFromUtf8(removed);
      if (Utf8FromGbk(gbk) == removed) text = ReplaceText(text, gbk, "");
    }
    return text;
  }

  // The reply a JSON cut parses, UTF-8, narrowed to its section first.
  std::string JsonText(const RecipeCut& cut) const {
    if (recipe_.reply != ReplyForm::kUtf8) {
      return Utf8FromGbk(cut.within ? TextBetween(state_.reply, cut.within->left, cut.within->right)
                                    : state_.reply);
    }
    if (!cut.within) return utf8_reply_;
    // UTF-8 is searched byte by byte: no byte of one character starts another.
    const std::string left = Utf8FromGbk(cut.within->left);
    const std::string right = Utf8FromGbk(cut.within->right);
    const std::size_t open = utf8_reply_.find(left);
    if (open == std::string::npos) return {};
    const std::size_t from = open + left.size();
    const std::size_t close = utf8_reply_.find(right, from);
    return close == std::string::npos ? std::string() : utf8_reply_.substr(from, close - from);
  }

  static std::string WithoutRemoved(std::string text, const RecipeCut& cut) {
    for (const std::string& removed : cut.remove) {
      for (std::size_t at = text.find(removed); at != std::string::npos;
           at = text.find(removed, at)) {
        text.erase(at, removed.size());
      }
    }
    return text;
  }

  std::vector<Text> JsonKeywords(const RecipeCut& cut) const {
    std::vector<Text> keywords;
    for (std::string& picked : JsonCut(JsonText(cut), cut.json)) {
      const std::string keyword = WithoutRemoved(std::move(picked), cut);
      if (!keyword.empty()) keywords.push_back(Utf8ToGbk(keyword));
    }
    return keywords;
  }

  // Every cut is taken before anything is appended. False once the window
  // is closing.
  bool CutAndAppend() {
    if (state_.page <= 1) state_.first_cut_reply = state_.reply;
    const std::size_t cuts = recipe_.cuts.size();
    state_.cuts.assign(cuts, {});
    std::vector<Text> blocks(cuts);
    for (std::size_t i = 0; i < cuts; ++i) {
      const RecipeCut& cut = recipe_.cuts[i];
      if (cut.kind == RecipeCut::Kind::kJson) {
        state_.cuts[i] = JsonKeywords(cut);
        state_.keywords += static_cast<int>(state_.cuts[i].size());
        continue;
      }
      const Text reply = MarkerText(cut);
      Text section;
      std::string_view text = reply;
      if (cut.within) {
        section = TextBetween(text, cut.within->left, cut.within->right);
        text = section;
      }
      if (cut.kind == RecipeCut::Kind::kList) {
        const Text list = TextBetween(text, cut.markers.left, cut.markers.right);
        state_.cuts[i] = SplitText(list, cut.split);
        // The separators become line breaks: the list is one block of lines.
        blocks[i] = ReplaceText(list, cut.split, "\r\n");
      } else {
        TextBetweenAll(text, cut.markers.left, cut.markers.right, state_.cuts[i]);
      }
      state_.keywords += static_cast<int>(state_.cuts[i].size());
    }
    for (std::size_t i = 0; i < cuts; ++i) {
      const RecipeCut& cut = recipe_.cuts[i];
      if (cut.kind == RecipeCut::Kind::kList) {
        if (!blocks[i].empty() && !Append(cut, blocks[i])) return false;
        continue;
      }
      for (const Text& item : state_.cuts[i]) {
        if (!Append(cut, item)) return false;
        if (pause_ms_ > 0) {
          context_.Pause(pause_ms_);
          if (context_.Closing()) return false;
        }
      }
    }
    return true;
  }

  // The line break goes through the unescaping too, and comes back as it was.
  bool Append(const RecipeCut& cut, const Text& keywords) {
    context_.Append(cut.unescape ? UnescapeUnicode(keywords + "\r\n") : keywords + "\r\n");
    return !context_.Closing();
  }

  const SourceRecipe& recipe_;
  int pause_ms_;
  SourceContext& context_;
  SourceState& state_;
  std::string utf8_reply_;  // the last reply of a UTF-8 source, as it came
};

}  // namespace

KeywordSource SourceFromRecipe(const SourceRecipe& recipe, std::optional<int> pace_ms) {
  const int pause = recipe.pause_ms > 0 ? pace_ms.value_or(recipe.pause_ms) : 0;
  return {recipe.name,
          [recipe, pause](SourceContext& context) { RecipeRun(recipe, pause, context).Run(); },
          recipe.title};
}

std::vector<KeywordSource> MakeKeywordSources(const std::vector<SourceRecipe>& recipes,
                                              std::optional<int> pace_ms) {
  std::vector<KeywordSource> sources;
  for (const SourceRecipe& recipe : recipes) {
    if (recipe.enabled) sources.push_back(SourceFromRecipe(recipe, pace_ms));
  }
  return sources;
}

}  // namespace kestrilo
