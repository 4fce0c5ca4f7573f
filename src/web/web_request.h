#pragma once

// The first request engine: one exchange with the full set of options, a
// numbered status text for every way it can fail, the reply's cookies and
// redirect target, and the reply re-decoded when its page declares another
// charset. The sources call it with the address alone.

#include <optional>

#include "runtime/types.h"

namespace kestrilo {

// The caller's variables of one exchange. Inputs are optional: absent and
// given-but-empty differ where it matters (the three switches default to
// true only when absent). Outputs are written as the steps that produce
// them run; a failure leaves the ones not reached as they were.
struct WebRequestParams {
  std::optional<int>
      method;  // 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT
  std::optional<Text> post_text;  // the body when post_bytes is empty
  Text cookies;                   // in/out: sent; replaced by the merge
  Text new_cookies;               // in/out: the reply's cookies are appended
  std::optional<Text> headers;    // extra lines, "\r\n" between them
  Text response_headers;          // out: the raw reply header block
  std::optional<bool> no_redirect;
  std::optional<Text> user;  // Basic credentials at the server
  std::optional<Text> password;
  std::optional<Text> proxy;  // "host:port"; empty: direct
  std::optional<Text> proxy_user;
  std::optional<Text> proxy_password;
  std::optional<int> timeout_seconds;  // 0 or less: 30
  Text location;                       // out: the reply's Location, when it has one
  Text status_text;                    // out: "200 OK", or the failure's numbered text
  Bytes reply_bytes;                   // out: the body as received
  std::optional<bool> merge_cookies;
  std::optional<bool> add_default_headers;
  std::optional<Bytes> post_bytes;
  std::optional<bool> normalize_headers;
};

// The reply as text: the body up to its first zero byte, or its re-decoded
// form; empty whenever the exchange failed before the reply's header block
// was read.
Text WebRequest(const Text& url, WebRequestParams& params);
Text WebRequest(const Text& url);

}  // namespace kestrilo
