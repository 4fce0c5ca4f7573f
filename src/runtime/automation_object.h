#pragma once

// Automation objects: things driven late-bound by member name. Each class
// describes its members as type information (name, kind of call, parameter
// types, optional and by-reference parameters); callers bind a name through
// it and invoke the member by id.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/variant.h"

namespace kestrilo {

enum class InvokeKind { kMethod = 1, kPropertyGet = 2, kPropertyPut = 4, kPropertyPutRef = 8 };

struct ParamDesc {
  VarType type = VarType::kVariant;  // arguments are converted to it; kVariant takes any
  bool optional = false;
  bool by_ref = false;  // the member writes its value back
};

struct MemberDesc {
  std::string name;  // compared without regard to ASCII letter case
  InvokeKind kind = InvokeKind::kMethod;
  std::vector<ParamDesc> params;  // for a put, the value is the last one
  bool varargs = false;           // takes any number of variants after `params`
  // A data member: binds for any kind of call, is read as a property get
  // and written as a put (or put-by-reference for objects and arrays).
  bool variable = false;
  VarType variable_type = VarType::kVariant;
  int id = 0;  // filled in by TypeInfo
};

class TypeInfo {
 public:
  explicit TypeInfo(std::vector<MemberDesc> members);

  // The member with that name and kind of call; null when there is none.
  const MemberDesc* Bind(std::string_view name, InvokeKind kind) const;
  const MemberDesc* Find(int id, InvokeKind kind) const;
  const std::vector<MemberDesc>& members() const { return members_; }

 private:
  std::vector<MemberDesc> members_;
};

class AutomationObject {
 public:
  virtual ~AutomationObject() = default;

  // False for an object that cannot be driven by name at all.
  virtual bool HasDispatch() const { return true; }
  // Null when the object has no type information.
  virtual const TypeInfo* GetTypeInfo() const = 0;
  // `args` are in call order, already converted to the declared types;
  // left-out optional ones arrive as Variant::Omitted(). A by-reference
  // parameter's new value is written into its slot of `args`.
  virtual HResult Invoke(int id, InvokeKind kind, std::span<Variant> args, Variant& result) = 0;
  // The object's description of its last kException failure.
  virtual std::u16string ExceptionDescription() const { return {}; }
};

// A convenient base for our own classes: members are declared with a
// handler each; the base checks the argument count and fills in left-out
// optional arguments before a handler runs.
class DispatchObject : public AutomationObject {
 public:
  using Handler = std::function<HResult(std::span<Variant> args, Variant& result)>;

  const TypeInfo* GetTypeInfo() const override;
  HResult Invoke(int id, InvokeKind kind, std::span<Variant> args, Variant& result) override;
  std::u16string ExceptionDescription() const override { return exception_; }

 protected:
  struct Member {
    MemberDesc desc;
    Handler handler;
  };
  // Call once from the constructor of the class.
  void Declare(std::vector<Member> members);

  // Convenience for the common shapes.
  static Member Method(std::string name, std::vector<ParamDesc> params, Handler handler);
  static Member Getter(std::string name, std::function<Variant()> get);
  static Member Putter(std::string name, VarType type, std::function<HResult(const Variant&)> put);

  // Records the text a script or decoder error should carry and returns
  // kException.
  HResult Raise(std::u16string description);

 private:
  std::optional<TypeInfo> type_info_;
  std::vector<Handler> handlers_;  // by member id - 1
  std::u16string exception_;
};

}  // namespace kestrilo
