#include "mining/suggestion_sources.h"

#include "runtime/text_commands.h"
#include "text/code_page_conversion.h"
#include "text/marker_slicing.h"
#include "text/text_between_all.h"
#include "text/url_encoding.h"

namespace kestrilo {
namespace {

// Both services send their completions as one quoted list; turning the
// separators into line breaks makes it a block of result lines.
void AppendQuotedList(SourceContext& context, Text& list) {
  list = ReplaceText(list, "\",\"", "\r\n");
  if (!list.empty()) context.Append(list + "\r\n");
}

}  // namespace

KeywordSource BaiduSuggestSource() {
  return {"baidu suggestion", [](SourceContext& context) {
            Text& text = context.State().baiduSuggestText;
            // The seed goes as typed: the exchange puts its GBK bytes on the wire.
            text = context.Requests().WebRequest(
                "http://suggestion.baidu.com/su?wd=" + context.Seed() + "&p=3&cb=window.bdsug.sug");
            text = TextBetween(text, "p:true,s:[\"", "\"]");
            AppendQuotedList(context, text);
          }};
}

KeywordSource SogouSuggestSource() {
  return {"sogou suggestion", [](SourceContext& context) {
            Text& text = context.State().sogouSuggestText;
            // The reply is GBK already; it is not converted.
            text = context.Requests().InetRequestText(
                "http://w.sugg.sogou.com/sugg/ajaj_json.jsp?key=" + context.Seed() + "&type=web");
            text = TextBetween(text, "\",[\"", "\"],");
            AppendQuotedList(context, text);
          }};
}

KeywordSource TaobaoSuggestSource() {
  return {"taobao suggestion", [](SourceContext& context) {
            MiningState& state = context.State();
            state.taobaoText = Utf8ToGbk(context.Requests().InetRequestText(
                "https://suggest.taobao.com/sug?area=etao&code=utf-8"
                "&callback=KISSY.Suggest.callback&q=" +
                UrlEncode(context.Seed())));
            const int count = TextBetweenAll(state.taobaoText, "[\"", "\",\"", state.taobaoItems);
            for (state.taobaoItemNo = 1; state.taobaoItemNo <= count; ++state.taobaoItemNo) {
              context.Append(state.taobaoItems[state.taobaoItemNo - 1] + "\r\n");
            }
          }};
}

}  // namespace kestrilo
