#include "web/cookie_name.h"

#include "runtime/text_commands.h"

namespace kestrilo {

Text CookieName(std::string_view entry) {
  const int equals = FindText(entry, "=");
  return TrimSpaces(equals == -1 ? entry : entry.substr(0, static_cast<std::size_t>(equals - 1)));
}

}  // namespace kestrilo
