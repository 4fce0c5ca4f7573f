#include "platform/user_folder.h"

#include <cstdlib>

namespace kestrilo {

std::string UserConfigFolder() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) return config;
  if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.config";
  return {};
}

}  // namespace kestrilo
