#include "text/regex_object.h"

#include <cstddef>
#include <string_view>

#include "runtime/automation_calls.h"
#include "runtime/text_commands.h"
#include "text/quote_placeholder.h"

namespace kestrilo {
namespace {

constexpr std::string_view kRegExpClass = "VBScript.RegExp";

// The byte offset in GBK text of the character `units` UTF-16 units in.
// Each character is converted on its own so that bytes GBK cannot decode
// count exactly as they did when the whole subject crossed to the class.
int ByteOffsetOfUnits(std::string_view gbk, int units) {
  std::size_t at = 0;
  int counted = 0;
  while (at < gbk.size() && counted < units) {
    const std::size_t width =
        static_cast<unsigned char>(gbk[at]) >= 0x80 && at + 1 < gbk.size() ? 2 : 1;
    counted += static_cast<int>(Utf16FromGbk(gbk.substr(at, width)).size());
    at += width;
  }
  return static_cast<int>(at);
}

}  // namespace

RegexObject::RegexObject() : subject_(Variant::I4(0)) {}

bool RegexObject::Create(std::string_view pattern, std::string_view subject,
                         std::optional<bool> case_sensitive, std::optional<bool> multi_line,
                         std::optional<bool> global, std::optional<bool> quote_placeholder) {
  ObjClear(reg_exp_);
  ObjClear(matches_);
  // Should this fail, every call below meets an empty object and the result
  // is false; none of the property writes is checked for the same reason.
  ObjCreate(reg_exp_, kRegExpClass);
  ObjSetProperty(reg_exp_, "IgnoreCase", {!case_sensitive.value_or(false)});
  ObjSetProperty(reg_exp_, "Multiline", {multi_line.value_or(true)});
  ObjSetProperty(reg_exp_, "Singleline", {true});
  ObjSetProperty(reg_exp_, "Global", {global.value_or(true)});
  const Text effective_pattern = quote_placeholder.value_or(false)
                                     ? ReplaceText(pattern, kQuotePlaceholder, "\"")
                                     : Text(pattern);
  ObjSetProperty(reg_exp_, "Pattern", {effective_pattern});
  VarAssign(subject_, Text(subject));
  matches_ = ObjCallObject(reg_exp_, "Execute", {subject_});
  return !ObjIsEmpty(matches_);
}

Text RegexObject::GetPattern() const {
  if (ObjIsEmpty(reg_exp_)) return {};
  return ObjGetText(reg_exp_, "Pattern");
}

Text RegexObject::ReplaceMatches(std::string_view replacement) const {
  Variant value;
  VarAssign(value, Text(replacement));
  Text result = ObjCallText(reg_exp_, "Replace", {subject_, value});
  VarClear(value);
  return result;
}

int RegexObject::MatchCount() const { return static_cast<int>(ObjGetNumber(matches_, "Count")); }

int RegexObject::SubMatchCount() const {
  const ObjectRef first = ObjGetObject(matches_, "Item", {0.0});
  return static_cast<int>(ObjGetNumber(ObjGetObject(first, "SubMatches"), "Count"));
}

Text RegexObject::MatchText(int match_no, int& position, std::optional<bool> want_position) const {
  const ObjectRef match = ObjGetObject(matches_, "Item", {static_cast<double>(match_no - 1)});
  const Variant value = ObjGetVariant(match, "Value");
  Text text = VarToText(value);
  if (want_position.value_or(false)) {
    position = value.IsEmpty() ? -1 : PositionInSubject(match, text);
  }
  return text;
}

Text RegexObject::SubMatchText(int match_no, int sub_no, int& position,
                               std::optional<bool> want_position) const {
  const ObjectRef match = ObjGetObject(matches_, "Item", {static_cast<double>(match_no - 1)});
  const ObjectRef sub_matches = ObjGetObject(match, "SubMatches");
  const Variant value = ObjGetVariant(sub_matches, "Item", {static_cast<double>(sub_no - 1)});
  Text text = VarToText(value);
  if (want_position.value_or(false)) {
    position = value.IsEmpty() ? -1 : PositionInSubject(match, text);
  }
  return text;
}

// FirstIndex counts UTF-16 units; it becomes a byte offset of the subject
// before the text is looked for from there.
int RegexObject::PositionInSubject(const ObjectRef& match, std::string_view text) const {
  const Text subject = VarToText(subject_);
  const int first_index = static_cast<int>(ObjGetNumber(match, "FirstIndex"));
  const int start = ByteOffsetOfUnits(subject, first_index) + 1;
  const int found = FindText(subject, text, start);
  return found < 1 ? -1 : found - 1;
}

}  // namespace kestrilo
