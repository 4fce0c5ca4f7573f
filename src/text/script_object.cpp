#include "text/script_object.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "runtime/automation_calls.h"

namespace kestrilo {

ScriptObject::ScriptObject() {
  // Unchecked: without an engine every call meets an empty object and fails
  // quietly, which is all the callers ask for.
  ObjCreate(engine_, "ScriptControl");
  ObjSetProperty(engine_, "Language", {"JScript"});
}

bool ScriptObject::ExecuteStatement(std::string_view statement) {
  ObjCall(engine_, "ExecuteStatement", {Text(statement)});
  return ObjLastError().empty();
}

Text ScriptObject::Eval(std::string_view expression) {
  return ObjCallText(engine_, "Eval", {Text(expression)});
}

void ScriptObject::Reset() { ObjCall(engine_, "Reset"); }

Text ScriptObject::LastError() const { return ObjLastError(); }

Text ScriptObject::Run(std::string_view name, const std::optional<Text>& arg1,
                       const std::optional<Text>& arg2, const std::optional<Text>& arg3,
                       const std::optional<Text>& arg4, const std::optional<Text>& arg5,
                       const std::optional<Text>& arg6) {
  const std::array<const std::optional<Text>*, 6> given = {&arg1, &arg2, &arg3,
                                                           &arg4, &arg5, &arg6};
  // Everything from the first absent argument on stays absent, and the
  // automation layer drops trailing absent arguments instead of passing
  // them as omitted.
  std::array<Arg, 6> passed;
  for (std::size_t i = 0; i < given.size() && given[i]->has_value(); ++i) passed[i] = **given[i];
  return ObjCallText(
      engine_, "Run",
      {Text(name), passed[0], passed[1], passed[2], passed[3], passed[4], passed[5]});
}

Text ScriptObject::Language(int selector) {
  if (selector == 0) {
    ObjSetProperty(engine_, "Language", {"JScript"});
  } else if (selector == 1) {
    ObjSetProperty(engine_, "Language", {"vbs"});
  }
  return ObjGetText(engine_, "Language");
}

int ScriptObject::Timeout(std::optional<int> milliseconds) {
  ObjSetProperty(engine_, "Timeout", {static_cast<std::int32_t>(milliseconds.value_or(-1))});
  return static_cast<int>(ObjGetNumber(engine_, "Timeout"));
}

int ScriptObject::State(std::optional<int> state) {
  if (state) ObjSetProperty(engine_, "State", {static_cast<std::int32_t>(*state)});
  return static_cast<int>(ObjGetNumber(engine_, "State"));
}

bool ScriptObject::AllowUI(std::optional<bool> allow) {
  if (allow) ObjSetProperty(engine_, "AllowUI", {*allow});
  return ObjGetBool(engine_, "AllowUI");
}

int ScriptObject::SitehWnd(std::optional<int> window) {
  if (window) ObjSetProperty(engine_, "SitehWnd", {static_cast<std::int32_t>(*window)});
  return static_cast<int>(ObjGetNumber(engine_, "SitehWnd"));
}

void ScriptObject::AddCode(std::string_view code) { ObjCall(engine_, "AddCode", {Text(code)}); }

}  // namespace kestrilo
