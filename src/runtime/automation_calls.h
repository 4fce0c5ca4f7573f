#pragma once

// Creating automation objects by class name and driving them by member
// name. Every member call records this thread's last object error: 0 on
// success, a negative code on failure (ObjLastError gives its text). Failed
// calls return the empty value of their kind; nothing throws.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <variant>

#include "runtime/automation_object.h"

namespace kestrilo {

// One argument of a member call: a value, a reference to the caller's
// variable (written back when the member declares the parameter by
// reference), or absent. A byte block or a list is not a kind a member can
// take; passing one fails with -7.
class Arg {
 public:
  Arg() = default;  // absent
  Arg(std::nullopt_t) {}
  Arg(const char* text) : value_(Text(text)) {}
  Arg(std::string_view text) : value_(Text(text)) {}
  Arg(const Text& text) : value_(text) {}
  Arg(bool value) : value_(value) {}
  Arg(std::int32_t value) : value_(value) {}
  Arg(std::int64_t value) : value_(value) {}
  Arg(std::uint8_t value) : value_(value) {}
  Arg(std::int16_t value) : value_(value) {}
  Arg(float value) : value_(value) {}
  Arg(double value) : value_(value) {}
  Arg(DateTime value) : value_(value) {}
  Arg(const Variant& value) : value_(value) {}
  Arg(const Bytes& value) : value_(value) {}
  Arg(const TextList& value) : value_(value) {}

  static Arg Ref(Text& variable) { return Arg(&variable); }
  static Arg Ref(std::int32_t& variable) { return Arg(&variable); }
  static Arg Ref(bool& variable) { return Arg(&variable); }
  static Arg Ref(Variant& variable) { return Arg(&variable); }

  bool IsAbsent() const { return std::holds_alternative<std::monostate>(value_); }
  // The block or list this argument holds, if it is one.
  const Bytes* block() const { return std::get_if<Bytes>(&value_); }
  const TextList* list() const { return std::get_if<TextList>(&value_); }

  // The argument as a variant; false for a kind a variant cannot hold.
  bool ToVariant(Variant& out) const;
  // Writes a member's by-reference output back to the caller's variable.
  // False when the value cannot become that variable's kind.
  bool WriteBack(const Variant& value) const;

 private:
  template <typename T>
  explicit Arg(T* variable) : value_(variable) {}

  std::variant<std::monostate, Text, bool, std::int32_t, std::int64_t, std::uint8_t, std::int16_t,
               float, double, DateTime, Variant, Bytes, TextList, Text*, std::int32_t*, bool*,
               Variant*>
      value_;
};

using Args = std::initializer_list<Arg>;

// Classes are found by ProgID (any letter case) or by their CLSID in braces.
struct ClassInfo {
  std::string prog_id;
  std::string clsid;  // "{...}", or empty when the class declares none
  std::function<ObjectRef()> create;
};
void RegisterClass(ClassInfo info);

// Creates an object of the class and stores it in `slot`, releasing what was
// there. An unknown class, or a factory that fails, returns false and
// leaves `slot` as it was.
bool ObjCreate(ObjectRef& slot, std::string_view class_name);
inline void ObjClear(ObjectRef& slot) { slot.reset(); }
inline bool ObjIsEmpty(const ObjectRef& slot) { return slot == nullptr; }
inline void ObjAssign(ObjectRef& target, const ObjectRef& source) { target = source; }

Text ObjGetText(const ObjectRef& object, std::string_view member, Args args = {});
double ObjGetNumber(const ObjectRef& object, std::string_view member, Args args = {});
bool ObjGetBool(const ObjectRef& object, std::string_view member, Args args = {});
ObjectRef ObjGetObject(const ObjectRef& object, std::string_view member, Args args = {});
Variant ObjGetVariant(const ObjectRef& object, std::string_view member, Args args = {});

// The last argument is the value to write; any before it are the property's
// own arguments. True when the write succeeded.
bool ObjSetProperty(const ObjectRef& object, std::string_view member, Args args_then_value);

void ObjCall(const ObjectRef& object, std::string_view member, Args args = {});
Text ObjCallText(const ObjectRef& object, std::string_view member, Args args = {});
double ObjCallNumber(const ObjectRef& object, std::string_view member, Args args = {});
ObjectRef ObjCallObject(const ObjectRef& object, std::string_view member, Args args = {});
Variant ObjCallVariant(const ObjectRef& object, std::string_view member, Args args = {});

// This thread's last member-call outcome: 0 or -1..-18.
int ObjLastErrorCode();
// Its text; empty after a successful call.
Text ObjLastError();
// The text the object gave with its last -11 failure (a script error
// message, say), for diagnostics.
Text ObjLastExceptionDescription();
// The fixed text of an error code.
Text ObjErrorText(int code);

// Variant commands.
bool VarAssign(Variant& variant, const Arg& value, std::optional<int> index = {});
bool VarAssign(Variant& variant, const ObjectRef& object);
inline void VarCopy(Variant& target, const Variant& source) { target = source; }
inline void VarClear(Variant& variant) { variant = Variant(); }
// The variant as GBK text; with `index`, that element of an array (0-based).
Text VarToText(const Variant& variant, std::optional<int> index = {});

}  // namespace kestrilo
