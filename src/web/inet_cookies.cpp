#include "web/inet_cookies.h"

#include <algorithm>

#include "runtime/text_commands.h"
#include "web/cookie_name.h"

namespace kestrilo {

void MergeCookies(Text& cookies, Text& new_cookies) {
  cookies = RemoveSpaces(cookies);
  new_cookies = RemoveSpaces(new_cookies);
  const TextList old_entries = SplitText(cookies, ";");
  TextList merged = SplitText(new_cookies, ";");
  for (const Text& entry : old_entries) {
    const Text name = CookieName(entry);
    // Entries carried over count too, so only the first of several old
    // entries with one name survives.
    const bool named = std::any_of(merged.begin(), merged.end(),
                                   [&name](const Text& kept) { return CookieName(kept) == name; });
    if (!named) merged.push_back(entry);
  }

  cookies.clear();
  for (const Text& entry : merged) {
    if (RightText(entry, 8) == "=deleted") continue;
    cookies += entry;
    cookies += "; ";
  }
  cookies = LeftText(cookies, TextLength(cookies) - 2);
}

}  // namespace kestrilo
