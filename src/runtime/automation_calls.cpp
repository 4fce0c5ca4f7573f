#include "runtime/automation_calls.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <mutex>
#include <vector>

#include "runtime/gbk.h"

namespace kestrilo {
namespace {

// ----- class registry --------------------------------------------------------

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

struct Registry {
  std::mutex mutex;
  std::map<std::string, ClassInfo> by_name;  // lower-case ProgID or braced CLSID
};

Registry& Classes() {
  static Registry registry;
  return registry;
}

// ----- last error ------------------------------------------------------------

struct LastError {
  int code = 0;
  std::u16string exception;
};

thread_local LastError t_last_error;

int CodeFor(HResult hr) {
  switch (hr) {
    case HResult::kOk: return 0;
    case HResult::kBadParamCount: return -9;
    case HResult::kBadVarType: return -10;
    case HResult::kException: return -11;
    case HResult::kMemberNotFound: return -12;
    case HResult::kNoNamedArgs: return -13;
    case HResult::kOverflow: return -14;
    case HResult::kParamNotFound: return -15;
    case HResult::kTypeMismatch: return -16;
    case HResult::kParamNotOptional: return -17;
    default: return -18;
  }
}

// ----- member calls ----------------------------------------------------------

enum class CallKind { kRead, kWrite, kMethod };

// The order in which the kinds of member are tried for each kind of call.
std::vector<InvokeKind> BindOrder(CallKind call) {
  switch (call) {
    case CallKind::kRead: return {InvokeKind::kPropertyGet, InvokeKind::kMethod};
    case CallKind::kWrite:
      return {InvokeKind::kPropertyPut, InvokeKind::kPropertyPutRef, InvokeKind::kMethod};
    case CallKind::kMethod:
      return {InvokeKind::kMethod, InvokeKind::kPropertyGet, InvokeKind::kPropertyPut,
              InvokeKind::kPropertyPutRef};
  }
  return {};
}

bool IsReferenceType(VarType type) {
  return type == VarType::kDispatch || type == VarType::kArrayOfUI1 ||
         type == VarType::kArrayOfVariant;
}

// Runs one member call and returns its error code; `result` holds what the
// member returned.
int Call(const ObjectRef& object, std::string_view member_name, Args args, CallKind call,
         Variant& result) {
  t_last_error.exception.clear();
  if (object == nullptr) return -1;
  if (!object->HasDispatch()) return -2;
  const TypeInfo* type_info = object->GetTypeInfo();
  if (type_info == nullptr) return -4;

  const MemberDesc* member = nullptr;
  InvokeKind kind = InvokeKind::kMethod;
  for (const InvokeKind tried : BindOrder(call)) {
    member = type_info->Bind(member_name, tried);
    if (member != nullptr) {
      kind = tried;
      break;
    }
  }
  if (member == nullptr) return -3;
  if (member->variable) {
    kind = call != CallKind::kWrite                 ? InvokeKind::kPropertyGet
           : IsReferenceType(member->variable_type) ? InvokeKind::kPropertyPutRef
                                                    : InvokeKind::kPropertyPut;
  }

  std::vector<const Arg*> given;
  for (const Arg& arg : args) given.push_back(&arg);
  while (!given.empty() && given.back()->IsAbsent()) given.pop_back();
  const std::size_t declared =
      member->variable ? (kind == InvokeKind::kPropertyGet ? 0 : 1) : member->params.size();
  if (!member->varargs && given.size() > declared) return -5;

  std::vector<Variant> values(given.size());
  for (std::size_t i = 0; i < given.size(); ++i) {
    if (given[i]->IsAbsent()) {
      values[i] = Variant::Omitted();
      continue;
    }
    Variant value;
    if (!given[i]->ToVariant(value)) return -7;
    const VarType declared_type = member->variable ? member->variable_type
                                  : i < declared   ? member->params[i].type
                                                   : VarType::kVariant;
    const HResult hr = ChangeType(value, declared_type, values[i]);
    if (!Succeeded(hr)) return CodeFor(hr);
  }

  const HResult hr = object->Invoke(member->id, kind, values, result);
  if (!Succeeded(hr)) {
    if (hr == HResult::kException) t_last_error.exception = object->ExceptionDescription();
    return CodeFor(hr);
  }
  if (!member->variable) {
    for (std::size_t i = 0; i < given.size() && i < declared; ++i) {
      if (member->params[i].by_ref) given[i]->WriteBack(values[i]);
    }
  }
  return 0;
}

// A call whose result is converted to `to`; the empty value on any failure.
Variant CallAs(const ObjectRef& object, std::string_view member, Args args, CallKind call,
               VarType to) {
  Variant result;
  int code = Call(object, member, args, call, result);
  Variant converted;
  if (code == 0 && !Succeeded(ChangeType(result, to, converted))) code = -8;
  t_last_error.code = code;
  return code == 0 ? converted : Variant();
}

Text AsText(const Variant& v) {
  return v.type() == VarType::kBstr ? GbkFromUtf16(v.bstr()) : Text();
}
double AsNumber(const Variant& v) { return v.type() == VarType::kR8 ? v.r8() : 0.0; }
bool AsBool(const Variant& v) { return v.type() == VarType::kBool && v.boolean(); }
ObjectRef AsObject(const Variant& v) {
  return v.type() == VarType::kDispatch ? v.dispatch() : nullptr;
}

}  // namespace

// ----- Arg -------------------------------------------------------------------

bool Arg::ToVariant(Variant& out) const {
  struct Visitor {
    Variant& out;
    bool operator()(std::monostate) const { return false; }
    bool operator()(const Text& v) const { return out = Variant::FromText(v), true; }
    bool operator()(bool v) const { return out = Variant::Bool(v), true; }
    bool operator()(std::int32_t v) const { return out = Variant::I4(v), true; }
    // Only the low 32 bits travel.
    bool operator()(std::int64_t v) const {
      return out = Variant::I4(static_cast<std::int32_t>(static_cast<std::uint32_t>(v))), true;
    }
    bool operator()(std::uint8_t v) const { return out = Variant::UI1(v), true; }
    bool operator()(std::int16_t v) const { return out = Variant::I2(v), true; }
    bool operator()(float v) const { return out = Variant::R4(v), true; }
    bool operator()(double v) const { return out = Variant::R8(v), true; }
    bool operator()(DateTime v) const { return out = Variant::Date(v), true; }
    bool operator()(const Variant& v) const { return out = v, true; }
    bool operator()(const Bytes&) const { return false; }
    bool operator()(const TextList&) const { return false; }
    bool operator()(Text* v) const { return out = Variant::FromText(*v), true; }
    bool operator()(std::int32_t* v) const { return out = Variant::I4(*v), true; }
    bool operator()(bool* v) const { return out = Variant::Bool(*v), true; }
    bool operator()(Variant* v) const { return out = *v, true; }
  };
  return std::visit(Visitor{out}, value_);
}

bool Arg::WriteBack(const Variant& value) const {
  Variant converted;
  if (Text* const* text = std::get_if<Text*>(&value_)) {
    if (!Succeeded(ChangeType(value, VarType::kBstr, converted))) return false;
    **text = GbkFromUtf16(converted.bstr());
  } else if (std::int32_t* const* number = std::get_if<std::int32_t*>(&value_)) {
    if (!Succeeded(ChangeType(value, VarType::kI4, converted))) return false;
    **number = converted.i4();
  } else if (bool* const* flag = std::get_if<bool*>(&value_)) {
    if (!Succeeded(ChangeType(value, VarType::kBool, converted))) return false;
    **flag = converted.boolean();
  } else if (Variant* const* variant = std::get_if<Variant*>(&value_)) {
    **variant = value;
  }
  return true;
}

// ----- creation --------------------------------------------------------------

void RegisterClass(ClassInfo info) {
  Registry& registry = Classes();
  const std::lock_guard lock(registry.mutex);
  if (!info.clsid.empty()) registry.by_name[Lower(info.clsid)] = info;
  const std::string key = Lower(info.prog_id);
  registry.by_name[key] = std::move(info);
}

bool ObjCreate(ObjectRef& slot, std::string_view class_name) {
  std::function<ObjectRef()> create;
  {
    Registry& registry = Classes();
    const std::lock_guard lock(registry.mutex);
    const auto found = registry.by_name.find(Lower(class_name));
    if (found == registry.by_name.end()) return false;
    create = found->second.create;
  }
  ObjectRef object = create ? create() : nullptr;
  if (object == nullptr) return false;
  slot = std::move(object);
  return true;
}

// ----- member calls ----------------------------------------------------------

Text ObjGetText(const ObjectRef& object, std::string_view member, Args args) {
  return AsText(CallAs(object, member, args, CallKind::kRead, VarType::kBstr));
}

double ObjGetNumber(const ObjectRef& object, std::string_view member, Args args) {
  return AsNumber(CallAs(object, member, args, CallKind::kRead, VarType::kR8));
}

bool ObjGetBool(const ObjectRef& object, std::string_view member, Args args) {
  return AsBool(CallAs(object, member, args, CallKind::kRead, VarType::kBool));
}

ObjectRef ObjGetObject(const ObjectRef& object, std::string_view member, Args args) {
  return AsObject(CallAs(object, member, args, CallKind::kRead, VarType::kDispatch));
}

Variant ObjGetVariant(const ObjectRef& object, std::string_view member, Args args) {
  return CallAs(object, member, args, CallKind::kRead, VarType::kVariant);
}

bool ObjSetProperty(const ObjectRef& object, std::string_view member, Args args_then_value) {
  Variant ignored;
  t_last_error.code = Call(object, member, args_then_value, CallKind::kWrite, ignored);
  return t_last_error.code == 0;
}

void ObjCall(const ObjectRef& object, std::string_view member, Args args) {
  Variant ignored;
  t_last_error.code = Call(object, member, args, CallKind::kMethod, ignored);
}

Text ObjCallText(const ObjectRef& object, std::string_view member, Args args) {
  return AsText(CallAs(object, member, args, CallKind::kMethod, VarType::kBstr));
}

double ObjCallNumber(const ObjectRef& object, std::string_view member, Args args) {
  return AsNumber(CallAs(object, member, args, CallKind::kMethod, VarType::kR8));
}

ObjectRef ObjCallObject(const ObjectRef& object, std::string_view member, Args args) {
  return AsObject(CallAs(object, member, args, CallKind::kMethod, VarType::kDispatch));
}

Variant ObjCallVariant(const ObjectRef& object, std::string_view member, Args args) {
  return CallAs(object, member, args, CallKind::kMethod, VarType::kVariant);
}

int ObjLastErrorCode() { return t_last_error.code; }

Text ObjLastError() { return ObjErrorText(t_last_error.code); }

Text ObjLastExceptionDescription() { return GbkFromUtf16(t_last_error.exception); }

Text ObjErrorText(int code) {
  static const std::array<const char*, 18> kTexts = {
      "对象为空",
      "指定对象没有调用接口",
      "未找到指定属性或方法",
      "指定对象没有类型信息",
      "提供了过多的参数",
      "该对象不是字体对象",
      "参数数据类型错误",
      "执行成功，但返回值类型不匹配",
      "参数数目错误",
      "参数类型值无效",
      "发现异常",
      "未找到指定成员",
      "不支持命名参数",
      "溢出",
      "未找到指定参数",
      "类型不匹配",
      "必需的参数数据被省略",
      "其他原因调用失败",
  };
  if (code >= 0 || code < -18) return {};
  return GbkFromUtf8(kTexts[static_cast<std::size_t>(-code - 1)]);
}

// ----- variants --------------------------------------------------------------

bool VarAssign(Variant& variant, const Arg& value, std::optional<int> index) {
  Variant converted;
  if (!value.ToVariant(converted)) {
    // Blocks and lists become arrays; no other value needs more than a
    // variant.
    if (const Bytes* bytes = value.block()) {
      converted = Variant::ByteArray(*bytes);
    } else if (const TextList* list = value.list()) {
      std::vector<Variant> items;
      items.reserve(list->size());
      for (const Text& text : *list) items.push_back(Variant::FromText(text));
      converted = Variant::Array(std::move(items));
    } else {
      return false;
    }
  }
  if (index &&
      (variant.type() == VarType::kArrayOfUI1 || variant.type() == VarType::kArrayOfVariant)) {
    const int i = *index;
    if (variant.type() == VarType::kArrayOfUI1) {
      Variant element;
      if (i < 0 || static_cast<std::size_t>(i) >= variant.bytes().size() ||
          !Succeeded(ChangeType(converted, VarType::kUI1, element))) {
        return false;
      }
      variant.bytes()[static_cast<std::size_t>(i)] = element.ui1();
      return true;
    }
    if (i < 0 || static_cast<std::size_t>(i) >= variant.items().size()) return false;
    variant.items()[static_cast<std::size_t>(i)] = converted;
    return true;
  }
  variant = std::move(converted);
  return true;
}

bool VarAssign(Variant& variant, const ObjectRef& object) {
  if (object != nullptr && !object->HasDispatch()) return false;
  variant = Variant::Dispatch(object);
  return true;
}

Text VarToText(const Variant& variant, std::optional<int> index) {
  if (index) {
    const int i = *index;
    if (variant.type() == VarType::kArrayOfUI1) {
      if (i < 0 || static_cast<std::size_t>(i) >= variant.bytes().size()) return {};
      return VarToText(Variant::UI1(variant.bytes()[static_cast<std::size_t>(i)]));
    }
    if (variant.type() == VarType::kArrayOfVariant) {
      if (i < 0 || static_cast<std::size_t>(i) >= variant.items().size()) return {};
      return VarToText(variant.items()[static_cast<std::size_t>(i)]);
    }
  }
  Variant text;
  if (!Succeeded(ChangeType(variant, VarType::kBstr, text))) return {};
  return GbkFromUtf16(text.bstr());
}

}  // namespace kestrilo
