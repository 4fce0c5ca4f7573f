#include "web/reply_charset.h"

#include "runtime/automation_calls.h"
#include "runtime/text_commands.h"
#include "runtime/ui_port.h"
#include "text/regex_object.h"

namespace kestrilo {
namespace {

// "." does not cross a line end, so a tag broken between "meta" and
// "charset=" is not taken; one character such as a quote may precede the
// name.
constexpr std::string_view kCharsetPattern = R"(<meta.+?charset=[^\w]?([-\w]+))";
// Searching only the head keeps the cost independent of the page size.
constexpr int kHeadSize = 1024;

// The body decoded with `charset`. A name the stream refuses leaves it at
// its GBK default; the member results are not examined, and a failed
// ReadText gives an empty text.
Text DecodeWithStream(ObjectRef& stream, const Bytes& reply_bytes, const Text& charset) {
  Variant data;
  VarAssign(data, Arg(reply_bytes));
  ObjSetProperty(stream, "Type", {1});
  ObjSetProperty(stream, "Mode", {3});
  ObjCall(stream, "Open");
  ObjCall(stream, "Write", {data});
  // Type may only change at position 0.
  ObjSetProperty(stream, "Position", {0});
  ObjSetProperty(stream, "Type", {2});
  ObjSetProperty(stream, "Charset", {charset});
  Text text = ObjCallText(stream, "ReadText");
  ObjCall(stream, "Close");
  VarClear(data);
  return text;
}

}  // namespace

Text DecodeReplyText(const Text& reply_text, const Bytes& reply_bytes) {
  RegexObject charset_search;
  if (!charset_search.Create(kCharsetPattern, LeftText(reply_text, kHeadSize))) return reply_text;
  int unused_position = 0;
  const Text charset = charset_search.SubMatchText(1, 1, unused_position);

  Text result = reply_text;
  if (!charset.empty() && charset != "gbk" && charset != "gb2312") {
    ObjectRef stream;
    if (ObjCreate(stream, "Adodb.Stream")) {
      result = DecodeWithStream(stream, reply_bytes, charset);
      ObjClear(stream);
    }
  }
  DoEvents();
  return result;
}

}  // namespace kestrilo
