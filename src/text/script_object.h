#pragma once

// A JScript engine, the "ScriptControl" automation class, driven by member
// name. The engine is created with the object, language "JScript"; should
// that fail, every operation gives an empty text, 0 or false. Code added by
// AddCode or ExecuteStatement stays defined until Reset or the last copy
// goes: copies share the engine.

#include <optional>
#include <string_view>

#include "runtime/types.h"
#include "runtime/variant.h"

namespace kestrilo {

class ScriptObject {
 public:
  ScriptObject();

  // True when the statement ran without error.
  bool ExecuteStatement(std::string_view statement);
  Text Eval(std::string_view expression);
  void Reset();
  // The runtime's text for the outcome of the last object call on this
  // thread, whichever object made it; empty after success.
  Text LastError() const;
  // Another reference to the engine itself.
  ObjectRef Engine() const { return engine_; }

  // Calls the global function `name` with the leading run of given
  // arguments: the first absent one ends the list, so with the first and
  // third given only the first is passed.
  Text Run(std::string_view name, const std::optional<Text>& arg1 = {},
           const std::optional<Text>& arg2 = {}, const std::optional<Text>& arg3 = {},
           const std::optional<Text>& arg4 = {}, const std::optional<Text>& arg5 = {},
           const std::optional<Text>& arg6 = {});

  // 0 selects "JScript", 1 "vbs" (which the engine refuses), anything else
  // changes nothing. Returns the language in force.
  Text Language(int selector);
  // Milliseconds a call may run; without a value there is no limit (-1).
  // Returns the limit in force.
  int Timeout(std::optional<int> milliseconds = {});
  // The others set their property when given and return it.
  int State(std::optional<int> state = {});
  bool AllowUI(std::optional<bool> allow = {});
  int SitehWnd(std::optional<int> window = {});

  void AddCode(std::string_view code);

 private:
  ObjectRef engine_;
};

}  // namespace kestrilo
