#pragma once

// The terminal programs' standard streams and command line, as the system
// gives them. On Linux the bytes pass as they are. On Windows the command
// line is read as UTF-16 and handed on as UTF-8, so that a seed arrives
// exactly whatever the ANSI code page; text for a console is written as
// UTF-16 (WriteConsoleW), so Chinese reads right under code page 936 and
// 65001 alike; redirected streams get UTF-8 bytes with "\n" line ends, as
// on Linux.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kestrilo {

// Call first: on Windows, binary standard streams and a console that takes
// the progress line's escape sequences.
void PrepareConsole();

// The arguments, program name first, as UTF-8.
std::vector<std::string> CommandLineUtf8(int argc, char** argv);

bool IsTerminal(std::FILE* stream);

// Writes UTF-8 `text` to `stream`; false when it could not all be written.
bool WriteText(std::FILE* stream, std::string_view text);

}  // namespace kestrilo
