#pragma once

// Text from the web on its way to a terminal. A keyword may hold any byte,
// and an escape sequence in one would recolour, move or retitle the user's
// terminal; a lone line break would make one keyword look like two.

#include <string>
#include <string_view>

namespace kestrilo {

// `utf8` with every C0 control character but the tab (and, when
// `line_breaks` is set, "\n" and the "\r" of a "\r\n") shown as "?".
std::string ForTerminal(std::string_view utf8, bool line_breaks = false);

}  // namespace kestrilo
