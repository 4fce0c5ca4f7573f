#include "text/code_page_conversion.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/automation_calls.h"
#include "runtime/code_pages.h"
#include "runtime/utf8_gbk_table.h"

namespace kestrilo {

Bytes TextToWide(const Text& text, std::optional<unsigned> code_page) {
  const std::u16string wide = MultiByteToWide(text, code_page.value_or(kCodePageUtf8));
  Bytes bytes((wide.size() + 1) * 2, 0);  // the last unit stays the terminator
  for (std::size_t i = 0; i < wide.size(); ++i) {
    bytes[2 * i] = static_cast<std::uint8_t>(wide[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<std::uint8_t>(wide[i] >> 8);
  }
  return bytes;
}

Text WideToText(const Bytes& wide, std::optional<unsigned> code_page) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
    const auto unit = static_cast<char16_t>(wide[i] | (wide[i + 1] << 8));
    if (unit == 0) break;
    units.push_back(unit);
  }
  return WideToMultiByte(units, code_page.value_or(kCodePageAnsi));
}

// The same as WideToText(TextToWide(utf8), kCodePageGbk), through a table:
// every UTF-8 reply passes here.
Text Utf8ToGbk(const Text& utf8) { return Utf8ToGbkByTable(utf8); }

std::optional<Text> DecodeWithStream(const Bytes& bytes, std::string_view charset) {
  ObjectRef stream;
  if (!ObjCreate(stream, "Adodb.Stream")) return std::nullopt;
  Variant data;
  VarAssign(data, Arg(bytes));
  ObjSetProperty(stream, "Type", {1});
  ObjSetProperty(stream, "Mode", {3});
  ObjCall(stream, "Open");
  ObjCall(stream, "Write", {data});
  // Type may only change at position 0, so the stream goes back there
  // before it turns from bytes into text.
  ObjSetProperty(stream, "Position", {0});
  ObjSetProperty(stream, "Type", {2});
  ObjSetProperty(stream, "Charset", {charset});
  Text text = ObjCallText(stream, "ReadText");
  ObjCall(stream, "Close");
  VarClear(data);
  ObjClear(stream);
  return text;
}

Text UnicodeBytesToText(const Bytes& utf16le) {
  // The stream reads past a zero unit; in GBK that character is the only
  // zero byte, so the text is cut at it.
  Text text = DecodeWithStream(utf16le, "unicode").value_or(Text());
  text.resize(std::min(text.find('\0'), text.size()));
  return text;
}

}  // namespace kestrilo
