#pragma once

// Host, port and path of an address, as the WinINet engine connects and
// requests. An address without a scheme is read as plain HTTP.

#include <optional>
#include <string_view>

#include "runtime/types.h"

namespace kestrilo {

// The host in lower case, with its ":port" only when `keep_port` is true.
Text UrlHost(std::string_view address, std::optional<bool> keep_port = {});

// The port named in the address, else 443 for "https" and 80 otherwise.
int UrlPort(std::string_view address);

// Everything from the first "/" behind the host, query and fragment
// included, in the address's own letter case; "/" when there is none.
Text UrlPath(std::string_view address);

}  // namespace kestrilo
