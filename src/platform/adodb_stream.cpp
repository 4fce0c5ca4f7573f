#include "platform/adodb_stream.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

#include "runtime/automation_calls.h"
#include "runtime/automation_object.h"
#include "runtime/code_pages.h"
#include "runtime/variant.h"

namespace kestrilo {
namespace {

constexpr std::int32_t kTypeBinary = 1;
constexpr std::int32_t kTypeText = 2;
constexpr std::int32_t kModeAccessMask = 0x3;
constexpr std::int32_t kModeRead = 0x1;
// Access, sharing and recursive bits; anything else is not a mode.
constexpr std::int32_t kModeKnownBits = 0x3 | 0xC | 0x10 | 0x400000;
constexpr std::int32_t kReadAll = -1;
constexpr std::int32_t kWriteLine = 1;
constexpr std::int32_t kMaxSize = std::numeric_limits<std::int32_t>::max();

constexpr std::u16string_view kClosedText = u"Operation is not allowed when the object is closed.";
constexpr std::u16string_view kOpenText = u"Operation is not allowed when the object is open.";
constexpr std::u16string_view kContextText = u"Operation is not allowed in this context.";
constexpr std::u16string_view kArgumentText =
    u"Arguments are of the wrong type, are out of acceptable range, or are in conflict with one "
    u"another.";

std::string_view AsChars(const Bytes& bytes, std::size_t from) {
  return {reinterpret_cast<const char*>(bytes.data()) + from, bytes.size() - from};
}

// An optional count argument: absent reads as "everything".
std::int32_t CountOr(const Variant& arg, std::int32_t absent) {
  return arg.IsOmitted() ? absent : arg.i4();
}

class AdodbStream : public DispatchObject {
 public:
  AdodbStream() {
    Declare({
        Getter("Type", [this] { return Variant::I4(type_); }),
        Putter("Type", VarType::kI4, [this](const Variant& v) { return PutType(v.i4()); }),
        Getter("Mode", [this] { return Variant::I4(mode_); }),
        Putter("Mode", VarType::kI4, [this](const Variant& v) { return PutMode(v.i4()); }),
        Getter("Charset", [this] { return Variant::Bstr(charset_); }),
        Putter("Charset", VarType::kBstr,
               [this](const Variant& v) { return PutCharset(v.bstr()); }),
        OpenGetter("Position", [this](Variant& out) { out = Variant::I4(Position()); }),
        Putter("Position", VarType::kI4, [this](const Variant& v) { return PutPosition(v.i4()); }),
        OpenGetter("Size", [this](Variant& out) { out = Variant::I4(Size()); }),
        Method("Open", {Optional(), Optional(), Optional(), Optional(), Optional()},
               [this](std::span<Variant> args, Variant&) { return Open(args[0], args[1]); }),
        Method("Close", {},
               [this](std::span<Variant>, Variant&) {
                 if (!open_) return Raise(std::u16string(kClosedText));
                 open_ = false;
                 buffer_.clear();
                 position_ = 0;
                 return HResult::kOk;
               }),
        Method("Write", {ParamDesc{}},
               [this](std::span<Variant> args, Variant&) { return Write(args[0]); }),
        Method("Read", {Optional(VarType::kI4)},
               [this](std::span<Variant> args, Variant& result) {
                 return Read(CountOr(args[0], kReadAll), result);
               }),
        Method("WriteText", {ParamDesc{VarType::kBstr}, Optional(VarType::kI4)},
               [this](std::span<Variant> args, Variant&) {
                 return WriteText(args[0].bstr(), CountOr(args[1], 0));
               }),
        Method("ReadText", {Optional(VarType::kI4)},
               [this](std::span<Variant> args, Variant& result) {
                 return ReadText(CountOr(args[0], kReadAll), result);
               }),
    });
  }
  AdodbStream(const AdodbStream&) = delete;
  AdodbStream& operator=(const AdodbStream&) = delete;

 private:
  static ParamDesc Optional(VarType type = VarType::kVariant) {
    return ParamDesc{.type = type, .optional = true};
  }

  // A property read that, like most of the object, needs it open.
  Member OpenGetter(std::string name, std::function<void(Variant&)> get) {
    MemberDesc desc;
    desc.name = std::move(name);
    desc.kind = InvokeKind::kPropertyGet;
    return Member{std::move(desc),
                  [this, get = std::move(get)](std::span<Variant>, Variant& result) {
                    if (!open_) return Raise(std::u16string(kClosedText));
                    get(result);
                    return HResult::kOk;
                  }};
  }

  std::int32_t Position() const { return static_cast<std::int32_t>(position_); }
  std::int32_t Size() const { return static_cast<std::int32_t>(buffer_.size()); }
  // Type and charset decide how the bytes already there read, so they only
  // change where nothing has been read or written past yet.
  bool AtStart() const { return !open_ || position_ == 0; }

  HResult PutType(std::int32_t type) {
    if (type != kTypeBinary && type != kTypeText) return Raise(std::u16string(kArgumentText));
    if (!AtStart()) return Raise(std::u16string(kContextText));
    type_ = type;
    return HResult::kOk;
  }

  HResult PutMode(std::int32_t mode) {
    if (open_) return Raise(std::u16string(kOpenText));
    if (mode < 0 || (mode & ~kModeKnownBits) != 0) return Raise(std::u16string(kArgumentText));
    mode_ = mode;
    return HResult::kOk;
  }

  HResult PutCharset(const std::u16string& name) {
    if (!AtStart()) return Raise(std::u16string(kContextText));
    // Charset names are ASCII; anything else cannot name one.
    const bool ascii = std::all_of(name.begin(), name.end(), [](char16_t c) { return c < 0x80; });
    if (!ascii || !IsKnownCharset(std::string(name.begin(), name.end()))) {
      return Raise(u"The charset \"" + name + u"\" is not known.");
    }
    charset_ = name;
    return HResult::kOk;
  }

  HResult PutPosition(std::int32_t position) {
    if (!open_) return Raise(std::u16string(kClosedText));
    if (position < 0) return Raise(std::u16string(kArgumentText));
    // Past the end the stream grows with zero bytes, as the platform's does.
    if (static_cast<std::size_t>(position) > buffer_.size()) buffer_.resize(position, 0);
    position_ = static_cast<std::size_t>(position);
    return HResult::kOk;
  }

  HResult Open(const Variant& source, const Variant& mode) {
    if (open_) return Raise(std::u16string(kOpenText));
    const bool no_source = source.IsOmitted() || source.IsEmpty() ||
                           (source.type() == VarType::kBstr && source.bstr().empty());
    if (!no_source) return Raise(u"Opening a stream on a source is not supported.");
    if (!mode.IsOmitted()) {
      Variant number;
      if (!Succeeded(ChangeType(mode, VarType::kI4, number))) {
        return Raise(std::u16string(kArgumentText));
      }
      if (const HResult put = PutMode(number.i4()); !Succeeded(put)) return put;
    }
    open_ = true;
    buffer_.clear();
    position_ = 0;
    return HResult::kOk;
  }

  // Checks the stream can take a call of `type`; kOk or the raised failure.
  HResult Ready(std::int32_t type, bool writing) {
    if (!open_) return Raise(std::u16string(kClosedText));
    if (type_ != type) return Raise(std::u16string(kContextText));
    if (writing && (mode_ & kModeAccessMask) == kModeRead) {
      return Raise(std::u16string(kContextText));
    }
    return HResult::kOk;
  }

  // Overwrites from the position on, growing the stream where it runs past
  // the end, and leaves the position behind what was written.
  HResult Put(std::string_view bytes) {
    if (bytes.size() > static_cast<std::size_t>(kMaxSize) - position_) {
      return Raise(u"The stream cannot grow past 2 GiB.");
    }
    const std::size_t end = position_ + bytes.size();
    if (end > buffer_.size()) buffer_.resize(end);
    std::copy(bytes.begin(), bytes.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(position_));
    position_ = end;
    return HResult::kOk;
  }

  HResult Write(const Variant& data) {
    if (const HResult ready = Ready(kTypeBinary, true); !Succeeded(ready)) return ready;
    if (data.type() != VarType::kArrayOfUI1) return Raise(std::u16string(kArgumentText));
    return Put(AsChars(data.bytes(), 0));
  }

  HResult Read(std::int32_t count, Variant& result) {
    if (const HResult ready = Ready(kTypeBinary, false); !Succeeded(ready)) return ready;
    if (count < kReadAll) return Raise(std::u16string(kArgumentText));
    std::size_t take = buffer_.size() - position_;
    if (count != kReadAll) take = std::min(take, static_cast<std::size_t>(count));
    const auto from = buffer_.begin() + static_cast<std::ptrdiff_t>(position_);
    result = Variant::ByteArray(Bytes(from, from + static_cast<std::ptrdiff_t>(take)));
    position_ += take;
    return HResult::kOk;
  }

  HResult WriteText(std::u16string text, std::int32_t options) {
    if (const HResult ready = Ready(kTypeText, true); !Succeeded(ready)) return ready;
    if (options != 0 && options != kWriteLine) return Raise(std::u16string(kArgumentText));
    if (options == kWriteLine) text += u"\r\n";
    std::string bytes;
    if (!EncodeCharset(text, CharsetName(), bytes)) return Raise(std::u16string(kContextText));
    return Put(bytes);
  }

  HResult ReadText(std::int32_t count, Variant& result) {
    if (const HResult ready = Ready(kTypeText, false); !Succeeded(ready)) return ready;
    if (count < kReadAll) return Raise(u"Only a count of characters, or -1 for all, is supported.");
    std::u16string text;
    if (!DecodeCharset(AsChars(buffer_, position_), CharsetName(), text)) {
      return Raise(std::u16string(kContextText));
    }
    std::size_t consumed = buffer_.size() - position_;
    if (count != kReadAll && static_cast<std::size_t>(count) < text.size()) {
      text.resize(static_cast<std::size_t>(count));
      // The bytes those characters came from, found by encoding them back;
      // a malformed sequence decoded as "?" may make this approximate.
      std::string bytes;
      if (EncodeCharset(text, CharsetName(), bytes)) consumed = std::min(consumed, bytes.size());
    }
    position_ += consumed;
    result = Variant::Bstr(std::move(text));
    return HResult::kOk;
  }

  // The name as iconv sees it; PutCharset only lets ASCII through.
  std::string CharsetName() const { return std::string(charset_.begin(), charset_.end()); }

  std::int32_t type_ = kTypeText;
  std::int32_t mode_ = 0;
  std::u16string charset_ = u"gbk";
  bool open_ = false;
  Bytes buffer_;
  std::size_t position_ = 0;
};

}  // namespace

void RegisterAdodbStream() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterClass(ClassInfo{.prog_id = "Adodb.Stream",
                            .clsid = "{00000566-0000-0010-8000-00AA006D2EA4}",
                            .create = [] { return std::make_shared<AdodbStream>(); }});
  });
}

}  // namespace kestrilo
