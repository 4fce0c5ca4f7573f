#pragma once

// "Adodb.Stream": an in-memory byte stream that is written as bytes and read
// back as text in a named charset, driven by member name through the
// automation layer. Members: Type (1 binary, 2 text), Mode, Open, Close,
// Position and Size (in bytes), Charset, Write and Read (byte arrays, binary
// type), WriteText and ReadText (text type). Misuse -- any call on a closed
// stream but Type, Mode, Charset and Open, a binary call on a text stream or
// the reverse, Type or Charset changed away from position 0, Mode changed
// while open -- fails with kException and a description, as the platform's
// object does.
//
// Charset names are the ones web pages write ("utf-8" in any case, "gbk",
// "gb2312", "big5", "iso-8859-1", "windows-1252", "unicode" for UTF-16LE,
// and whatever iconv knows). The platform's object starts out "Unicode";
// this one starts out as the program's own ANSI code page and reads "gbk".
// Writing a name that is not known fails and keeps the charset that was
// there, so a page that declares a charset nobody knows is read as GBK --
// the same bytes the unconverted reply text already held.
//
// ReadText returns UTF-16, zero characters included; turning it into
// program text (and characters GBK lacks into "?") is the automation
// layer's job.

namespace kestrilo {

// Makes the class creatable by ObjCreate under its ProgID and CLSID. Safe to
// call more than once.
void RegisterAdodbStream();

}  // namespace kestrilo
