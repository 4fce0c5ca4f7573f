#pragma once

#include "runtime/types.h"

namespace kestrilo {

// The two ways a source fetches a page: a plain GET of `address` (GBK) with
// every option left at its default but the extra header lines `headers`
// ("\r\n" between them; usually none), giving the reply as text, or the
// empty text when the request fails. WebRequest's reply is already GBK;
// InetRequestText's is the body's bytes as they came.
class RequestRoutines {
 public:
  virtual ~RequestRoutines() = default;
  virtual Text WebRequest(const Text& address, const Text& headers) = 0;
  virtual Text InetRequestText(const Text& address, const Text& headers) = 0;
  Text WebRequest(const Text& address) { return WebRequest(address, {}); }
  Text InetRequestText(const Text& address) { return InetRequestText(address, {}); }
};

}  // namespace kestrilo
