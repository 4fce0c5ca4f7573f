#pragma once

#include "runtime/types.h"

namespace kestrilo {

// The two ways a source fetches a page: a plain GET of `address` (GBK) with
// every option left at its default, giving the reply as text, or the empty
// text when the request fails. WebRequest's reply is already GBK;
// InetRequestText's is the body's bytes as they came.
class RequestRoutines {
 public:
  virtual ~RequestRoutines() = default;
  virtual Text WebRequest(const Text& address) = 0;
  virtual Text InetRequestText(const Text& address) = 0;
};

}  // namespace kestrilo
