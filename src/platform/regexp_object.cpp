#include "platform/regexp_object.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Selects the UTF-8 flavour of the library; must precede its header.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include "runtime/automation_calls.h"
#include "runtime/automation_object.h"
#include "runtime/utf8_character.h"
#include "runtime/variant.h"

namespace kestrilo {
namespace {

// PCRE2 stops at 10 million backtracking steps by default, but counts afresh
// on every call of a global scan and lets its heap grow to gigabytes; a
// hostile pattern over a large page should fail within a fraction of a
// second instead.
constexpr std::uint32_t kMatchLimit = 2'000'000;
constexpr std::uint32_t kHeapLimitKib = 64 * 1024;

constexpr std::u16string_view kBadIndexText = u"Invalid procedure call or argument";

struct Pcre2Free {
  void operator()(pcre2_code* p) const { pcre2_code_free(p); }
  void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
  void operator()(pcre2_compile_context* p) const { pcre2_compile_context_free(p); }
  void operator()(pcre2_match_context* p) const { pcre2_match_context_free(p); }
};
template <typename T>
using Pcre2Ptr = std::unique_ptr<T, Pcre2Free>;

std::u16string Pcre2Message(int error) {
  PCRE2_UCHAR buffer[256];
  const int length = pcre2_get_error_message(error, buffer, sizeof buffer);
  if (length < 0) return u"regular expression error";
  return std::u16string(buffer, buffer + length);  // PCRE2's messages are ASCII
}

struct Utf8Text {
  std::string bytes;
  // UTF-16 units in front of each byte offset, plus one entry for the end.
  // Only read at character boundaries, which is all PCRE2 reports in UTF
  // mode without \C.
  std::vector<std::int32_t> units_before;
};

Utf8Text ToUtf8(std::u16string_view utf16, bool with_positions) {
  Utf8Text out;
  out.bytes.reserve(utf16.size() * 3);
  if (with_positions) out.units_before.reserve(utf16.size() * 3 + 1);
  std::int32_t units = 0;
  for (std::size_t i = 0; i < utf16.size();) {
    char32_t c = utf16[i];
    std::int32_t width = 1;
    const bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
      width = 2;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      // A lone surrogate has no UTF-8 form; the stand-in keeps its one unit,
      // and matched texts are cut from the UTF-16 original anyway.
      c = 0xFFFD;
    }
    const std::size_t before = out.bytes.size();
    AppendUtf8(out.bytes, c);
    if (with_positions)
      out.units_before.insert(out.units_before.end(), out.bytes.size() - before, units);
    units += width;
    i += static_cast<std::size_t>(width);
  }
  if (with_positions) out.units_before.push_back(units);
  return out;
}

// The offset one character on; CR LF is one line end, and stepping between
// its halves would let "^" and "$" match there a second time.
PCRE2_SIZE NextCharacter(const std::string& bytes, PCRE2_SIZE at) {
  if (bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n') return at + 2;
  ++at;
  while (at < bytes.size() && (static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80) ++at;
  return at;
}

// One match, in UTF-16 units of the subject.
struct Span {
  std::int32_t start = 0;
  std::int32_t end = 0;
};
struct Found {
  Span whole;
  std::vector<std::optional<Span>> groups;  // empty: the group took no part
};

std::u16string_view Cut(std::u16string_view subject, Span span) {
  return subject.substr(static_cast<std::size_t>(span.start),
                        static_cast<std::size_t>(span.end - span.start));
}

// $1..$99 (two digits when that group exists, else one), $& the match, $`
// the text before it, $' the text after it, $$ a dollar sign; any other
// dollar stays as it is.
void AppendReplacement(std::u16string& out, std::u16string_view replacement,
                       std::u16string_view subject, const Found& found) {
  const auto is_digit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
  const std::size_t groups = found.groups.size();
  const auto append_group = [&](std::size_t number) {
    if (const auto& span = found.groups[number - 1]) out += Cut(subject, *span);
  };
  for (std::size_t i = 0; i < replacement.size(); ++i) {
    const char16_t c = replacement[i];
    if (c != u'$' || i + 1 == replacement.size()) {
      out += c;
      continue;
    }
    const char16_t next = replacement[i + 1];
    if (next == u'$') {
      out += u'$';
      ++i;
    } else if (next == u'&') {
      out += Cut(subject, found.whole);
      ++i;
    } else if (next == u'`') {
      out += subject.substr(0, static_cast<std::size_t>(found.whole.start));
      ++i;
    } else if (next == u'\'') {
      out += subject.substr(static_cast<std::size_t>(found.whole.end));
      ++i;
    } else if (is_digit(next)) {
      const std::size_t one = static_cast<std::size_t>(next - u'0');
      if (i + 2 < replacement.size() && is_digit(replacement[i + 2])) {
        const std::size_t two = one * 10 + static_cast<std::size_t>(replacement[i + 2] - u'0');
        if (two >= 1 && two <= groups) {
          append_group(two);
          i += 2;
          continue;
        }
      }
      if (one >= 1 && one <= groups) {
        append_group(one);
        ++i;
      } else {
        out += c;
      }
    } else {
      out += c;
    }
  }
}

struct MatchRecord {
  std::u16string value;
  std::int32_t first_index = 0;
  std::int32_t length = 0;
  std::vector<Variant> sub_matches;  // BSTR, or empty for a group that took no part
};
using MatchRecords = std::shared_ptr<const std::vector<MatchRecord>>;

// Count and Item(index from 0), as the collections of the original have.
class Collection : public DispatchObject {
 protected:
  void DeclareCollection(std::int32_t count, std::function<Variant(std::int32_t)> item) {
    Member item_member =
        Method("Item", {ParamDesc{VarType::kI4}},
               [this, count, item = std::move(item)](std::span<Variant> args, Variant& result) {
                 const std::int32_t index = args[0].i4();
                 if (index < 0 || index >= count) return Raise(std::u16string(kBadIndexText));
                 result = item(index);
                 return HResult::kOk;
               });
    item_member.desc.kind = InvokeKind::kPropertyGet;
    Declare({Getter("Count", [count] { return Variant::I4(count); }), std::move(item_member)});
  }
};

class SubMatchesObject : public Collection {
 public:
  SubMatchesObject(MatchRecords records, std::int32_t match) : records_(std::move(records)) {
    const std::vector<Variant>& values = (*records_)[static_cast<std::size_t>(match)].sub_matches;
    DeclareCollection(static_cast<std::int32_t>(values.size()),
                      [&values](std::int32_t i) { return values[static_cast<std::size_t>(i)]; });
  }

 private:
  MatchRecords records_;  // keeps the values the members read alive
};

class MatchObject : public DispatchObject {
 public:
  MatchObject(MatchRecords records, std::int32_t index) : records_(std::move(records)) {
    const MatchRecord& record = (*records_)[static_cast<std::size_t>(index)];
    Declare({
        Getter("Value", [&record] { return Variant::Bstr(record.value); }),
        Getter("FirstIndex", [&record] { return Variant::I4(record.first_index); }),
        Getter("Length", [&record] { return Variant::I4(record.length); }),
        Getter("SubMatches",
               [this, index] {
                 return Variant::Dispatch(std::make_shared<SubMatchesObject>(records_, index));
               }),
    });
  }

 private:
  MatchRecords records_;
};

class MatchCollection : public Collection {
 public:
  explicit MatchCollection(MatchRecords records) : records_(std::move(records)) {
    DeclareCollection(static_cast<std::int32_t>(records_->size()), [this](std::int32_t i) {
      return Variant::Dispatch(std::make_shared<MatchObject>(records_, i));
    });
  }

 private:
  MatchRecords records_;
};

class RegExpObject : public DispatchObject {
 public:
  RegExpObject() {
    Declare({
        FlagGetter("IgnoreCase", ignore_case_),
        FlagPutter("IgnoreCase", ignore_case_, true),
        FlagGetter("Multiline", multiline_),
        FlagPutter("Multiline", multiline_, true),
        FlagGetter("Global", global_),
        FlagPutter("Global", global_, false),
        FlagGetter("Singleline", singleline_),
        FlagPutter("Singleline", singleline_, false),
        Getter("Pattern", [this] { return Variant::Bstr(pattern_); }),
        Putter("Pattern", VarType::kBstr,
               [this](const Variant& value) {
                 pattern_ = value.bstr();
                 code_.reset();
                 return HResult::kOk;
               }),
        Method("Execute", {ParamDesc{VarType::kBstr}},
               [this](std::span<Variant> args, Variant& result) {
                 return Execute(args[0].bstr(), result);
               }),
        Method("Replace", {ParamDesc{VarType::kBstr}, ParamDesc{VarType::kVariant}},
               [this](std::span<Variant> args, Variant& result) {
                 return Replace(args[0].bstr(), args[1], result);
               }),
        Method("Test", {ParamDesc{VarType::kBstr}},
               [this](std::span<Variant> args, Variant& result) {
                 std::vector<Found> found;
                 const HResult outcome = Search(args[0].bstr(), /*first_only=*/true, found);
                 if (Succeeded(outcome)) result = Variant::Bool(!found.empty());
                 return outcome;
               }),
    });
  }

 private:
  static Member FlagGetter(std::string name, const bool& flag) {
    return Getter(std::move(name), [&flag] { return Variant::Bool(flag); });
  }
  // `compiled_in`: the flag is part of the compiled pattern, which a change
  // therefore discards.
  Member FlagPutter(std::string name, bool& flag, bool compiled_in) {
    return Putter(std::move(name), VarType::kBool, [this, &flag, compiled_in](const Variant& v) {
      if (compiled_in && flag != v.boolean()) code_.reset();
      flag = v.boolean();
      return HResult::kOk;
    });
  }

  HResult Compile() {
    if (code_) return HResult::kOk;
    Pcre2Ptr<pcre2_compile_context> context(pcre2_compile_context_create(nullptr));
    if (!context) return HResult::kOutOfMemory;
    // "." stops at CR and LF as well as "^"/"$" do: pages come with either.
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANYCRLF);
    // \C could end a match inside a character, where no UTF-16 position exists.
    std::uint32_t options = PCRE2_UTF | PCRE2_NEVER_BACKSLASH_C | PCRE2_ALT_BSUX |
                            PCRE2_DOLLAR_ENDONLY | PCRE2_MATCH_UNSET_BACKREF;
    if (ignore_case_) options |= PCRE2_CASELESS;
    if (multiline_) options |= PCRE2_MULTILINE;
    const Utf8Text pattern = ToUtf8(pattern_, /*with_positions=*/false);
    int error = 0;
    PCRE2_SIZE error_offset = 0;
    code_.reset(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.bytes.data()),
                              pattern.bytes.size(), options, &error, &error_offset, context.get()));
    if (!code_) return Raise(Pcre2Message(error));
    pcre2_pattern_info(code_.get(), PCRE2_INFO_CAPTURECOUNT, &captures_);
    return HResult::kOk;
  }

  HResult Search(std::u16string_view subject, bool first_only, std::vector<Found>& found) {
    if (const HResult compiled = Compile(); !Succeeded(compiled)) return compiled;
    const Utf8Text text = ToUtf8(subject, /*with_positions=*/true);
    Pcre2Ptr<pcre2_match_data> data(pcre2_match_data_create_from_pattern(code_.get(), nullptr));
    Pcre2Ptr<pcre2_match_context> context(pcre2_match_context_create(nullptr));
    if (!data || !context) return HResult::kOutOfMemory;
    pcre2_set_match_limit(context.get(), kMatchLimit);
    pcre2_set_heap_limit(context.get(), kHeapLimitKib);

    const auto* bytes = reinterpret_cast<PCRE2_SPTR>(text.bytes.data());
    const PCRE2_SIZE size = text.bytes.size();
    const auto units = [&text](PCRE2_SIZE offset) { return text.units_before[offset]; };
    PCRE2_SIZE offset = 0;
    while (offset <= size) {
      // The subject is our own valid UTF-8; checking it again on every call
      // of a global scan would make the scan quadratic.
      const int rc = pcre2_match(code_.get(), bytes, size, offset, PCRE2_NO_UTF_CHECK, data.get(),
                                 context.get());
      if (rc == PCRE2_ERROR_NOMATCH) break;
      if (rc < 0) return Raise(Pcre2Message(rc));
      const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
      const PCRE2_SIZE start = ovector[0];
      const PCRE2_SIZE end = std::max(ovector[0], ovector[1]);
      Found match{{units(start), units(end)}, {}};
      match.groups.reserve(captures_);
      for (std::uint32_t g = 1; g <= captures_; ++g) {
        const PCRE2_SIZE group_start = ovector[2 * g];
        if (g < static_cast<std::uint32_t>(rc) && group_start != PCRE2_UNSET) {
          match.groups.push_back(Span{units(group_start), units(ovector[2 * g + 1])});
        } else {
          match.groups.push_back(std::nullopt);
        }
      }
      found.push_back(std::move(match));
      if (first_only || !global_) break;
      if (end > start) {
        offset = end;
      } else if (start < size) {
        offset = NextCharacter(text.bytes, start);
      } else {
        break;
      }
    }
    return HResult::kOk;
  }

  HResult Execute(const std::u16string& subject, Variant& result) {
    std::vector<Found> found;
    if (const HResult outcome = Search(subject, false, found); !Succeeded(outcome)) return outcome;
    auto records = std::make_shared<std::vector<MatchRecord>>();
    records->reserve(found.size());
    for (const Found& match : found) {
      MatchRecord record;
      record.value = std::u16string(Cut(subject, match.whole));
      record.first_index = match.whole.start;
      record.length = match.whole.end - match.whole.start;
      record.sub_matches.reserve(match.groups.size());
      for (const std::optional<Span>& group : match.groups) {
        record.sub_matches.push_back(group ? Variant::Bstr(std::u16string(Cut(subject, *group)))
                                           : Variant());
      }
      records->push_back(std::move(record));
    }
    result = Variant::Dispatch(std::make_shared<MatchCollection>(std::move(records)));
    return HResult::kOk;
  }

  HResult Replace(const std::u16string& subject, const Variant& replacement_arg, Variant& result) {
    Variant replacement;
    if (const HResult converted = ChangeType(replacement_arg, VarType::kBstr, replacement);
        !Succeeded(converted)) {
      return converted;
    }
    std::vector<Found> found;
    if (const HResult outcome = Search(subject, false, found); !Succeeded(outcome)) return outcome;
    std::u16string out;
    out.reserve(subject.size());
    std::size_t copied = 0;
    for (const Found& match : found) {
      const auto start = static_cast<std::size_t>(match.whole.start);
      if (start < copied) continue;  // cannot happen while matches come in order; never underflow
      out.append(subject, copied, start - copied);
      AppendReplacement(out, replacement.bstr(), subject, match);
      copied = static_cast<std::size_t>(match.whole.end);
    }
    out.append(subject, copied);
    result = Variant::Bstr(std::move(out));
    return HResult::kOk;
  }

  bool ignore_case_ = false;
  bool multiline_ = false;
  bool global_ = false;
  bool singleline_ = false;  // accepted and read back; "." never crosses a line end
  std::u16string pattern_;
  // Compiled on first use for the current pattern and flags.
  Pcre2Ptr<pcre2_code> code_;
  std::uint32_t captures_ = 0;
};

}  // namespace

void RegisterRegExp() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterClass({"VBScript.RegExp", "{3F4DACA4-160D-11D2-A8E9-00104B365C9F}",
                   [] { return std::make_shared<RegExpObject>(); }});
  });
}

}  // namespace kestrilo
