#pragma once

// "VBScript.RegExp" over PCRE2, driven by member name through the automation
// layer.
//
// Members: IgnoreCase, Multiline, Global, Singleline and Pattern (read and
// write); Execute(subject) gives a match collection (Count, Item(i) -> Match
// with Value, FirstIndex, Length and SubMatches; SubMatches has Count and
// Item(i), an empty variant for a group that took no part); Replace(subject,
// replacement) with $1..$99, $&, $`, $' and $$; Test(subject).
//
// The dialect is the ECMAScript-like one of the original: lazy quantifiers,
// \w \d \s ASCII-only, \uXXXX escapes, "$" only at the very end unless
// Multiline, a back-reference to a group that has not matched matches the
// empty text. CR, LF and CR LF end a line for "^", "$" and ".".
//
// Singleline is accepted and stored but "." never crosses a line end: the
// reply charset detection sets it and relies on a meta tag broken over two
// lines not being found.
//
// Positions (FirstIndex, Length) count UTF-16 units of the subject, so a
// character outside the BMP counts two. Without Global a search stops at the
// first match; with it, an empty match moves the next search on by one
// character (CR LF counting as one).
//
// A pattern that does not compile, or a search that exceeds the backtracking
// budget, fails Execute, Replace and Test with kException; the description
// carries PCRE2's message.

namespace kestrilo {

// Makes the class creatable by ObjCreate under its ProgID and CLSID. Safe to
// call more than once.
void RegisterRegExp();

}  // namespace kestrilo
