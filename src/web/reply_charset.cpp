#include "web/reply_charset.h"

#include "runtime/text_commands.h"
#include "runtime/ui_port.h"
#include "text/code_page_conversion.h"
#include "text/regex_object.h"

namespace kestrilo {
namespace {

// "." does not cross a line end, so a tag broken between "meta" and
// "charset=" is not taken; one character such as a quote may precede the
// name.
constexpr std::string_view kCharsetPattern = R"(<meta.+?charset=[^\w]?([-\w]+))";
// Searching only the head keeps the cost independent of the page size.
constexpr int kHeadSize = 1024;

}  // namespace

Text DecodeReplyText(const Text& reply_text, const Bytes& reply_bytes) {
  RegexObject charset_search;
  if (!charset_search.Create(kCharsetPattern, LeftText(reply_text, kHeadSize))) return reply_text;
  int unused_position = 0;
  const Text charset = charset_search.SubMatchText(1, 1, unused_position);

  Text result = reply_text;
  if (!charset.empty() && charset != "gbk" && charset != "gb2312") {
    // A name the stream refuses leaves it at its GBK default.
    if (auto decoded = DecodeWithStream(reply_bytes, charset)) result = std::move(*decoded);
  }
  DoEvents();
  return result;
}

}  // namespace kestrilo
