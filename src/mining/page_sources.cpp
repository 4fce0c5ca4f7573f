#include "mining/page_sources.h"

#include <algorithm>

#include "runtime/conversion.h"
#include "runtime/gbk.h"
#include "text/code_page_conversion.h"
#include "text/marker_slicing.h"
#include "text/text_between_all.h"
#include "text/url_encoding.h"

namespace kestrilo {
namespace {

constexpr const char* kChinazIndex = "https://data.chinaz.com/keyword/allindex/";

void PauseAfterKeyword(const SourceContext& context, const SourcePacing& pacing) {
  if (pacing.keyword_wait_ms > 0) context.Pause(pacing.keyword_wait_ms);
}

}  // namespace

KeywordSource ChinazIndexSource(const SourcePacing& pacing) {
  return {"chinaz index", [pacing](SourceContext& context) {
            MiningState& state = context.State();
            // The first page only tells how many pages there are: its keywords
            // come again with page 1.
            state.chinazIndexText = context.Requests().WebRequest(kChinazIndex + context.Seed());
            state.chinazIndexText = TextBetween(state.chinazIndexText,
                                                "<li class=\"c-39\">&nbsp;共"_gbk, "页，到第"_gbk);
            const int pages = std::min(ToInt(state.chinazIndexText), kMaxChinazPages);
            for (state.chinazPageNo = 1; state.chinazPageNo <= pages; ++state.chinazPageNo) {
              state.chinazPageText = context.Requests().WebRequest(
                  kChinazIndex + context.Seed() + "/" + ToText(state.chinazPageNo));
              const int count = TextBetweenAll(state.chinazPageText,
                                               "<li class=\"col-133 nofoldtxt\"><a title=\"",
                                               "\" href=\"", state.chinazItems);
              for (state.chinazItemNo = 1; state.chinazItemNo <= count; ++state.chinazItemNo) {
                context.Append(state.chinazItems[state.chinazItemNo - 1] + "\r\n");
                PauseAfterKeyword(context, pacing);
              }
            }
          }};
}

KeywordSource WordLibSource(const SourcePacing& pacing) {
  return {"5guanjianci", [pacing](SourceContext& context) {
            MiningState& state = context.State();
            state.wordLibText = Utf8ToGbk(context.Requests().InetRequestText(
                "https://www.5guanjianci.com/ciku/search?word=" + UrlEncode(context.Seed())));
            // The keyword is taken as it stands in the link, percent escapes
            // and all.
            const int count = TextBetweenAll(state.wordLibText, "/main/index.html#/trend/",
                                             "?words=", state.wordLibItems);
            for (state.wordLibItemNo = 1; state.wordLibItemNo <= count; ++state.wordLibItemNo) {
              context.Append(state.wordLibItems[state.wordLibItemNo - 1] + "\r\n");
              PauseAfterKeyword(context, pacing);
            }
          }};
}

KeywordSource BaiduMobileSource() {
  return {"baidu mobile", [](SourceContext& context) {
            MiningState& state = context.State();
            state.mobileText = Utf8ToGbk(
                context.Requests().InetRequestText("https://m.baidu.com/s?word=" + context.Seed() +
                                                   "&from=1020853c&sa=ire_dl_gh_logo_ws"));
            // Both lists are cut before either is appended.
            TextBetweenAll(state.mobileText, "<span style=\"color:undefined;\" data-a-079967ba>",
                           "</span><!----><!----></a></div>", state.mobileSpanItems);
            state.mobileRelatedText =
                TextBetween(state.mobileText, "相关搜索</span><!----><!----></h3></div>"_gbk,
                            "下一页<i class=\"c-icon icon-nextpage\""_gbk);
            TextBetweenAll(state.mobileRelatedText, "{&quot;text&quot;:&quot;", "&quot;},",
                           state.mobileRelatedItems);
            const int spans = static_cast<int>(state.mobileSpanItems.size());
            for (state.mobileSpanItemNo = 1; state.mobileSpanItemNo <= spans;
                 ++state.mobileSpanItemNo) {
              context.Append(state.mobileSpanItems[state.mobileSpanItemNo - 1] + "\r\n");
            }
            // Only the related searches carry \u escapes meant to be read.
            const int related = static_cast<int>(state.mobileRelatedItems.size());
            for (state.mobileRelatedItemNo = 1; state.mobileRelatedItemNo <= related;
                 ++state.mobileRelatedItemNo) {
              context.Append(UnescapeUnicode(
                  state.mobileRelatedItems[state.mobileRelatedItemNo - 1] + "\r\n"));
            }
          }};
}

}  // namespace kestrilo
