#pragma once

#include <string>

namespace kestrilo {

// The folder for the user's settings, UTF-8, without a trailing separator:
// $XDG_CONFIG_HOME or ~/.config on Linux, %APPDATA% on Windows. Empty when
// the system names none.
std::string UserConfigFolder();

}  // namespace kestrilo
