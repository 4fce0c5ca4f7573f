#pragma once

// The second request engine: a plain exchange with browser-like default
// headers, the engine's own cookie handling and no error reporting at all.
// The sources call InetRequestText with the address alone.

#include <optional>

#include "runtime/types.h"

namespace kestrilo {

// The caller's variables of one exchange: inputs it reads, in/out texts it
// extends or replaces.
struct InetRequestParams {
  int method = 0;    // 1 POST; any other value GET, with a body unless 0
  Text post_text;    // the body when post_bytes is empty
  Text cookies;      // in/out: sent as a Cookie line, then merged
  Text new_cookies;  // out: the reply's cookies, joined by ";"
  Text headers;      // in/out: the defaults added are written back
  Text location;     // in/out: the reply's Location, else its header block
  bool no_redirect = false;
  Bytes post_bytes;           // in/out: filled from post_text when a body goes out
  std::optional<Text> proxy;  // absent: direct; given: "http=" + proxy
  Text response_headers;      // out: raw block, or 5000 spaces when it did not fit
  // Ours, not the engine's eleven: seconds allowed to connect and of
  // silence while sending or receiving. Absent: the platform's minute each.
  std::optional<int> timeout_seconds;
};

// The reply body (empty when no request could be opened).
Bytes InetRequest(const Text& url, InetRequestParams& params);

// The body as text, up to its first zero byte. The proxy is always taken as
// given, so an absent one means "http=" and no server: direct.
Text InetRequestText(const Text& url, InetRequestParams& params);
Text InetRequestText(const Text& url);

}  // namespace kestrilo
