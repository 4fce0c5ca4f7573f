#include "runtime/automation_object.h"

#include <algorithm>
#include <cctype>

namespace kestrilo {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

}  // namespace

// Members of one name share an id, as a property's get and put do.
TypeInfo::TypeInfo(std::vector<MemberDesc> members) : members_(std::move(members)) {
  int next_id = 1;
  for (std::size_t i = 0; i < members_.size(); ++i) {
    const auto earlier =
        std::find_if(members_.begin(), members_.begin() + static_cast<std::ptrdiff_t>(i),
                     [&](const MemberDesc& m) { return SameName(m.name, members_[i].name); });
    members_[i].id =
        earlier != members_.begin() + static_cast<std::ptrdiff_t>(i) ? earlier->id : next_id++;
  }
}

const MemberDesc* TypeInfo::Bind(std::string_view name, InvokeKind kind) const {
  for (const MemberDesc& member : members_) {
    if (SameName(member.name, name) && (member.variable || member.kind == kind)) return &member;
  }
  return nullptr;
}

const MemberDesc* TypeInfo::Find(int id, InvokeKind kind) const {
  for (const MemberDesc& member : members_) {
    if (member.id == id && (member.variable || member.kind == kind)) return &member;
  }
  return nullptr;
}

void DispatchObject::Declare(std::vector<Member> members) {
  std::vector<MemberDesc> descs;
  descs.reserve(members.size());
  handlers_.clear();
  for (Member& member : members) {
    descs.push_back(std::move(member.desc));
    handlers_.push_back(std::move(member.handler));
  }
  type_info_.emplace(std::move(descs));
}

const TypeInfo* DispatchObject::GetTypeInfo() const { return type_info_ ? &*type_info_ : nullptr; }

HResult DispatchObject::Invoke(int id, InvokeKind kind, std::span<Variant> args, Variant& result) {
  if (!type_info_) return HResult::kFail;
  const MemberDesc* member = type_info_->Find(id, kind);
  if (member == nullptr) return HResult::kMemberNotFound;
  const auto index = static_cast<std::size_t>(member - type_info_->members().data());

  const std::vector<ParamDesc>& params = member->params;
  if (!member->varargs && args.size() > params.size()) return HResult::kBadParamCount;
  // Handlers see every declared parameter: left-out optional ones as omitted.
  std::vector<Variant> full(args.begin(), args.end());
  for (std::size_t i = 0; i < params.size(); ++i) {
    if (i >= full.size()) {
      if (!params[i].optional) return HResult::kBadParamCount;
      full.push_back(Variant::Omitted());
    } else if (full[i].IsOmitted() && !params[i].optional) {
      return HResult::kParamNotOptional;
    }
  }

  result = Variant();
  exception_.clear();
  const HResult hr = handlers_[index](full, result);
  std::copy_n(full.begin(), args.size(), args.begin());
  return hr;
}

DispatchObject::Member DispatchObject::Method(std::string name, std::vector<ParamDesc> params,
                                              Handler handler) {
  MemberDesc desc;
  desc.name = std::move(name);
  desc.kind = InvokeKind::kMethod;
  desc.params = std::move(params);
  return {std::move(desc), std::move(handler)};
}

DispatchObject::Member DispatchObject::Getter(std::string name, std::function<Variant()> get) {
  MemberDesc desc;
  desc.name = std::move(name);
  desc.kind = InvokeKind::kPropertyGet;
  return {std::move(desc), [get = std::move(get)](std::span<Variant>, Variant& result) {
            result = get();
            return HResult::kOk;
          }};
}

DispatchObject::Member DispatchObject::Putter(std::string name, VarType type,
                                              std::function<HResult(const Variant&)> put) {
  MemberDesc desc;
  desc.name = std::move(name);
  desc.kind = InvokeKind::kPropertyPut;
  desc.params = {ParamDesc{type}};
  return {std::move(desc),
          [put = std::move(put)](std::span<Variant> args, Variant&) { return put(args[0]); }};
}

HResult DispatchObject::Raise(std::u16string description) {
  exception_ = std::move(description);
  return HResult::kException;
}

}  // namespace kestrilo
