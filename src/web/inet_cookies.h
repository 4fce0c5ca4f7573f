#pragma once

#include "runtime/types.h"

namespace kestrilo {

// The WinINet engine's cookie merge. Every blank is first removed from
// both texts, and both stay so: `new_cookies` keeps its entries joined by
// ";" alone. `cookies` becomes the reply's entries followed by the older
// ones the reply did not name, joined by "; ", without those ending in
// "=deleted".
void MergeCookies(Text& cookies, Text& new_cookies);

}  // namespace kestrilo
