#include "platform/script_control.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cesu8.h"
#include "runtime/automation_calls.h"
#include "runtime/automation_object.h"
#include "runtime/variant.h"

#include "duktape.h"

namespace kestrilo {

// The heap's user data: when the running call has to stop.
struct ScriptDeadline {
  bool armed = false;
  std::chrono::steady_clock::time_point at;
};

}  // namespace kestrilo

// Duktape asks this at its interrupt points (every few hundred thousand
// instructions) and throws a RangeError for as long as it answers yes, which
// also defeats a script that catches the error and carries on.
extern "C" int kestrilo_duktape_timed_out(void* heap_udata) {
  const auto* deadline = static_cast<const kestrilo::ScriptDeadline*>(heap_udata);
  return deadline != nullptr && deadline->armed && std::chrono::steady_clock::now() >= deadline->at
             ? 1
             : 0;
}

namespace kestrilo {
namespace {

constexpr std::int32_t kDefaultTimeoutMs = 10000;
constexpr std::int32_t kNoTimeout = -1;
constexpr std::u16string_view kLanguage = u"JScript";

// ----- the protected calls ---------------------------------------------------
//
// Everything that can raise a Duktape error runs inside duk_safe_call, whose
// errors unwind with longjmp. These functions and the data they get are
// therefore plain: no object with a destructor lives in their frames.

struct ScriptArg {
  enum class Kind { kUndefined, kString, kNumber, kBoolean };
  Kind kind = Kind::kUndefined;
  const char* bytes = nullptr;
  std::size_t size = 0;
  double number = 0.0;
  bool boolean = false;
};

struct ScriptJob {
  const char* text = nullptr;  // a program, or the name of the function to call
  std::size_t size = 0;
  const ScriptArg* args = nullptr;
  std::size_t arg_count = 0;
};

// Leaves a value that can be read afterwards without running script code:
// objects are turned into their string form here, still under the deadline.
void LeavePrimitive(duk_context* ctx) {
  constexpr duk_uint_t kReadable = DUK_TYPE_MASK_UNDEFINED | DUK_TYPE_MASK_NULL |
                                   DUK_TYPE_MASK_BOOLEAN | DUK_TYPE_MASK_NUMBER |
                                   DUK_TYPE_MASK_STRING;
  if (!duk_check_type_mask(ctx, -1, kReadable)) duk_to_string(ctx, -1);
}

duk_ret_t RunProgram(duk_context* ctx, void* udata) {
  const auto* job = static_cast<const ScriptJob*>(udata);
  duk_push_lstring(ctx, job->text, job->size);
  duk_eval(ctx);  // global scope: declarations stay defined for later calls
  LeavePrimitive(ctx);
  return 1;
}

duk_ret_t CallGlobal(duk_context* ctx, void* udata) {
  const auto* job = static_cast<const ScriptJob*>(udata);
  if (!duk_get_global_lstring(ctx, job->text, job->size)) {
    return duk_error(ctx, DUK_ERR_REFERENCE_ERROR, "identifier '%.*s' undefined",
                     static_cast<int>(job->size), job->text);
  }
  for (std::size_t i = 0; i < job->arg_count; ++i) {
    const ScriptArg& arg = job->args[i];
    switch (arg.kind) {
      case ScriptArg::Kind::kUndefined: duk_push_undefined(ctx); break;
      case ScriptArg::Kind::kString: duk_push_lstring(ctx, arg.bytes, arg.size); break;
      case ScriptArg::Kind::kNumber: duk_push_number(ctx, arg.number); break;
      case ScriptArg::Kind::kBoolean: duk_push_boolean(ctx, arg.boolean ? 1 : 0); break;
    }
  }
  duk_call(ctx, static_cast<duk_idx_t>(job->arg_count));
  LeavePrimitive(ctx);
  return 1;
}

// JScript has no "Duktape" object, and its finalizers would be script code
// run at times no deadline covers (when the heap is destroyed, say).
duk_ret_t RemoveEngineObject(duk_context* ctx, void*) {
  duk_push_global_object(ctx);
  duk_del_prop_string(ctx, -1, "Duktape");
  return 0;
}

// The thrown value, on the stack as the only argument, as text. A value
// whose own toString throws in turn makes this call fail.
duk_ret_t ErrorText(duk_context* ctx, void*) {
  duk_to_string(ctx, 0);
  return 1;
}

[[noreturn]] void Fatal(void*, const char* message) {
  std::fprintf(stderr, "script engine: fatal error: %s\n", message != nullptr ? message : "");
  std::abort();
}

// ----- values across the edge ------------------------------------------------

// JScript hands small integers out as I4; everything else stays a double.
Variant NumberVariant(double number) {
  if (std::isfinite(number) && number == std::trunc(number) &&
      number >= std::numeric_limits<std::int32_t>::min() &&
      number <= std::numeric_limits<std::int32_t>::max() &&
      !(number == 0 && std::signbit(number))) {
    return Variant::I4(static_cast<std::int32_t>(number));
  }
  return Variant::R8(number);
}

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  const auto lower = [](char16_t c) -> char16_t { return c >= u'A' && c <= u'Z' ? c + 32 : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// ----- the class -------------------------------------------------------------

class ScriptControl final : public DispatchObject {
 public:
  ScriptControl() {
    heap_ = NewHeap();
    Member run = Method("Run", {ParamDesc{VarType::kBstr}},
                        [this](std::span<Variant> args, Variant& result) {
                          return Run(args[0].bstr(), args.subspan(1), result);
                        });
    run.desc.varargs = true;
    Declare({
        Getter("Language", [this] { return Variant::Bstr(language_); }),
        Putter("Language", VarType::kBstr,
               [this](const Variant& value) { return PutLanguage(value.bstr()); }),
        Method("ExecuteStatement", {ParamDesc{VarType::kBstr}},
               [this](std::span<Variant> args, Variant&) {
                 return Execute(RunProgram, args[0].bstr(), {}, nullptr);
               }),
        Method("AddCode", {ParamDesc{VarType::kBstr}},
               [this](std::span<Variant> args, Variant&) {
                 return Execute(RunProgram, args[0].bstr(), {}, nullptr);
               }),
        Method("Eval", {ParamDesc{VarType::kBstr}},
               [this](std::span<Variant> args, Variant& result) {
                 return Execute(RunProgram, args[0].bstr(), {}, &result);
               }),
        std::move(run),
        Method("Reset", {},
               [this](std::span<Variant>, Variant&) {
                 DestroyHeap();
                 heap_ = NewHeap();
                 return HResult::kOk;
               }),
        Getter("Timeout", [this] { return Variant::I4(timeout_ms_); }),
        Putter("Timeout", VarType::kI4,
               [this](const Variant& value) { return PutTimeout(value.i4()); }),
        Getter("State", [this] { return Variant::I4(state_); }),
        Putter("State", VarType::kI4,
               [this](const Variant& value) {
                 state_ = value.i4();
                 return HResult::kOk;
               }),
        Getter("AllowUI", [this] { return Variant::Bool(allow_ui_); }),
        Putter("AllowUI", VarType::kBool,
               [this](const Variant& value) {
                 allow_ui_ = value.boolean();
                 return HResult::kOk;
               }),
        Getter("SitehWnd", [this] { return Variant::I4(site_hwnd_); }),
        Putter("SitehWnd", VarType::kI4,
               [this](const Variant& value) {
                 site_hwnd_ = value.i4();
                 return HResult::kOk;
               }),
    });
  }

  ~ScriptControl() override { DestroyHeap(); }

  ScriptControl(const ScriptControl&) = delete;
  ScriptControl& operator=(const ScriptControl&) = delete;

  bool HasHeap() const { return heap_ != nullptr; }

 private:
  // The heap keeps a pointer to deadline_, so the object never moves.
  duk_context* NewHeap() {
    duk_context* heap = duk_create_heap(nullptr, nullptr, nullptr, &deadline_, Fatal);
    if (heap != nullptr &&
        duk_safe_call(heap, RemoveEngineObject, nullptr, 0, 1) != DUK_EXEC_SUCCESS) {
      duk_destroy_heap(heap);
      return nullptr;
    }
    if (heap != nullptr) duk_set_top(heap, 0);
    return heap;
  }

  // Runs no script code: without the "Duktape" object a script cannot
  // register a finalizer.
  void DestroyHeap() {
    if (heap_ != nullptr) duk_destroy_heap(heap_);
    heap_ = nullptr;
  }

  void Arm() {
    deadline_.armed = timeout_ms_ != kNoTimeout;
    deadline_.at = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms_);
  }

  HResult PutLanguage(const std::u16string& language) {
    if (!EqualsIgnoringAsciiCase(language, kLanguage)) {
      return Raise(u"The script language is not supported: " + language);
    }
    language_ = kLanguage;
    return HResult::kOk;
  }

  HResult PutTimeout(std::int32_t milliseconds) {
    if (milliseconds < kNoTimeout) {
      return Raise(u"The time limit is a number of milliseconds, or -1 for none.");
    }
    timeout_ms_ = milliseconds;
    return HResult::kOk;
  }

  HResult Run(const std::u16string& name, std::span<const Variant> args, Variant& result) {
    // The strings are all made before the plain views into them.
    std::vector<std::string> strings;
    strings.reserve(args.size());
    std::vector<ScriptArg> plain(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
      const Variant& arg = args[i];
      ScriptArg& out = plain[i];
      switch (arg.type()) {
        case VarType::kEmpty:
        case VarType::kError:  // a left-out optional argument
          break;
        case VarType::kBstr:
          strings.push_back(Cesu8FromUtf16(arg.bstr()));
          out.kind = ScriptArg::Kind::kString;
          out.bytes = strings.back().data();
          out.size = strings.back().size();
          break;
        case VarType::kBool:
          out.kind = ScriptArg::Kind::kBoolean;
          out.boolean = arg.boolean();
          break;
        case VarType::kI2:
        case VarType::kI4:
        case VarType::kR4:
        case VarType::kR8:
        case VarType::kUI1:
        case VarType::kDate: {
          Variant number;
          if (!Succeeded(ChangeType(arg, VarType::kR8, number))) return HResult::kTypeMismatch;
          out.kind = ScriptArg::Kind::kNumber;
          out.number = number.r8();
          break;
        }
        default: return HResult::kTypeMismatch;
      }
    }
    return Execute(CallGlobal, name, plain, &result);
  }

  // Runs one protected call under the time limit; `result`, when wanted,
  // receives the value it left.
  HResult Execute(duk_safe_call_function call, std::u16string_view text,
                  std::span<const ScriptArg> args, Variant* result) {
    if (heap_ == nullptr) return Raise(u"The script engine could not allocate its heap.");
    const std::string cesu8 = Cesu8FromUtf16(text);
    ScriptJob job{cesu8.data(), cesu8.size(), args.data(), args.size()};

    Arm();
    HResult outcome = HResult::kOk;
    if (duk_safe_call(heap_, call, &job, 0, 1) == DUK_EXEC_SUCCESS) {
      if (result != nullptr) *result = TopValue();
    } else {
      // Still armed: a thrown object's toString is script code too.
      outcome = Raise(TopErrorText());
    }
    duk_set_top(heap_, 0);
    deadline_.armed = false;
    return outcome;
  }

  // Only non-throwing reads: the value is a primitive by now.
  Variant TopValue() const {
    switch (duk_get_type(heap_, -1)) {
      case DUK_TYPE_BOOLEAN: return Variant::Bool(duk_get_boolean(heap_, -1) != 0);
      case DUK_TYPE_NUMBER: return NumberVariant(duk_get_number(heap_, -1));
      case DUK_TYPE_STRING: {
        duk_size_t size = 0;
        const char* bytes = duk_get_lstring(heap_, -1, &size);
        return Variant::Bstr(Utf16FromCesu8(std::string_view(bytes, size)));
      }
      default: return Variant();
    }
  }

  std::u16string TopErrorText() const {
    if (duk_safe_call(heap_, ErrorText, nullptr, 1, 1) != DUK_EXEC_SUCCESS) {
      return u"The script raised an error that cannot be shown as text.";
    }
    duk_size_t size = 0;
    const char* bytes = duk_get_lstring(heap_, -1, &size);
    return Utf16FromCesu8(std::string_view(bytes, size));
  }

  ScriptDeadline deadline_;
  duk_context* heap_ = nullptr;
  std::u16string language_{kLanguage};
  std::int32_t timeout_ms_ = kDefaultTimeoutMs;
  std::int32_t state_ = 0;
  bool allow_ui_ = true;
  std::int32_t site_hwnd_ = 0;
};

ObjectRef CreateScriptControl() {
  auto control = std::make_shared<ScriptControl>();
  if (!control->HasHeap()) return nullptr;
  return control;
}

}  // namespace

void RegisterScriptControl() {
  static const bool registered = [] {
    constexpr const char* kClsid = "{0E59F1D5-1FBE-11D0-8FF2-00A0D10038BC}";
    RegisterClass({"ScriptControl", kClsid, CreateScriptControl});
    RegisterClass({"MSScriptControl.ScriptControl", kClsid, CreateScriptControl});
    return true;
  }();
  static_cast<void>(registered);
}

}  // namespace kestrilo
