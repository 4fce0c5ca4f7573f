#pragma once

// "ScriptControl" (also "MSScriptControl.ScriptControl"): a JScript engine
// driven by member name through the automation layer, running on a bare
// Duktape heap -- the ECMAScript built-ins and nothing else, so a script can
// reach no file, network or process.
//
// Members: Language ("JScript" in any case; any other language is refused
// and the old one kept), ExecuteStatement, AddCode, Eval, Run (a global
// function by name with any number of arguments), Reset (a fresh heap, the
// language kept), Timeout (milliseconds per call, -1 for none, 10000 at
// first), and State, AllowUI and SitehWnd, which are only kept.
//
// Results: strings as BSTR, integral numbers in the 32-bit range as I4 and
// other numbers as R8, booleans as BOOL, undefined and null as empty, and any
// other value as its string form. A script error, a call of a name that is
// not a function, or a script stopped by the time limit fails with
// kException; the description is the script's error text. After any of
// them the engine is still usable.

namespace kestrilo {

// Makes the class creatable by ObjCreate under its ProgIDs and CLSID. Safe to
// call more than once.
void RegisterScriptControl();

}  // namespace kestrilo
