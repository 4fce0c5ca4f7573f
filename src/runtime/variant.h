#pragma once

// The automation layer's variant: one value of the kinds that cross the
// dispatch interface. Strings are UTF-16, as the platform's BSTR; objects
// are shared references.

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "runtime/hresult.h"
#include "runtime/types.h"

namespace kestrilo {

class AutomationObject;
using ObjectRef = std::shared_ptr<AutomationObject>;

enum class VarType : std::uint16_t {
  kEmpty = 0,
  kI2 = 2,
  kI4 = 3,
  kR4 = 4,
  kR8 = 5,
  kDate = 7,
  kBstr = 8,
  kDispatch = 9,
  kError = 10,
  kBool = 11,
  kVariant = 12,  // as a declared parameter type: any variant, unconverted
  kUI1 = 17,
  kArrayOfUI1 = 0x2000 | 17,
  kArrayOfVariant = 0x2000 | 12,
};

class Variant {
 public:
  Variant() = default;  // empty

  static Variant I2(std::int16_t value) { return Variant(value); }
  static Variant I4(std::int32_t value) { return Variant(value); }
  static Variant R4(float value) { return Variant(value); }
  static Variant R8(double value) { return Variant(value); }
  static Variant Date(DateTime value) { return Variant(value); }
  static Variant Bstr(std::u16string value) { return Variant(std::move(value)); }
  static Variant FromText(std::string_view gbk);  // VT_BSTR of the GBK text
  static Variant Dispatch(ObjectRef object) { return Variant(std::move(object)); }
  static Variant Bool(bool value) { return Variant(value); }
  static Variant UI1(std::uint8_t value) { return Variant(value); }
  static Variant Error(HResult code) { return Variant(ErrorCode{code}); }
  // An optional parameter the caller left out.
  static Variant Omitted() { return Error(HResult::kParamNotFound); }
  static Variant ByteArray(Bytes bytes) { return Variant(std::move(bytes)); }
  static Variant Array(std::vector<Variant> items) { return Variant(std::move(items)); }

  VarType type() const;
  bool IsEmpty() const { return type() == VarType::kEmpty; }
  bool IsOmitted() const;

  // Accessors for the held kind; calling one for another kind is a bug.
  std::int16_t i2() const { return std::get<std::int16_t>(value_); }
  std::int32_t i4() const { return std::get<std::int32_t>(value_); }
  float r4() const { return std::get<float>(value_); }
  double r8() const { return std::get<double>(value_); }
  DateTime date() const { return std::get<DateTime>(value_); }
  const std::u16string& bstr() const { return std::get<std::u16string>(value_); }
  const ObjectRef& dispatch() const { return std::get<ObjectRef>(value_); }
  HResult error() const { return std::get<ErrorCode>(value_).code; }
  bool boolean() const { return std::get<bool>(value_); }
  std::uint8_t ui1() const { return std::get<std::uint8_t>(value_); }
  const Bytes& bytes() const { return std::get<Bytes>(value_); }
  Bytes& bytes() { return std::get<Bytes>(value_); }
  const std::vector<Variant>& items() const { return std::get<std::vector<Variant>>(value_); }
  std::vector<Variant>& items() { return std::get<std::vector<Variant>>(value_); }

  friend bool operator==(const Variant&, const Variant&) = default;

 private:
  struct ErrorCode {
    HResult code;
    friend bool operator==(const ErrorCode&, const ErrorCode&) = default;
  };
  using Storage = std::variant<std::monostate, std::int16_t, std::int32_t, float, double, DateTime,
                               std::u16string, ObjectRef, ErrorCode, bool, std::uint8_t, Bytes,
                               std::vector<Variant>>;

  template <typename T>
  explicit Variant(T value) : value_(std::move(value)) {}

  Storage value_;
};

// Converts `in` to `to` the way the platform's VariantChangeType does for the
// kinds above: numbers and texts both ways (texts in the invariant form),
// booleans as -1/0 and "True"/"False", date-times as their day numbers.
// kVariant as target copies. Fails with kTypeMismatch or kOverflow.
HResult ChangeType(const Variant& in, VarType to, Variant& out);

// UTF-16 and GBK at the automation edge: characters GBK lacks become "?".
// Both sides are length-counted, so a zero character travels like any other
// (a decoded page keeps what follows one).
std::u16string Utf16FromGbk(std::string_view gbk);
Text GbkFromUtf16(std::u16string_view utf16);

}  // namespace kestrilo
