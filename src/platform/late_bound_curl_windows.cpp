// On Windows curl and OpenSSL are linked into the program: the reason to
// load them late on Linux, the thirty libraries they bring, does not arise
// with one static .exe, so the table simply names the functions.
#define KESTRILO_LATE_BOUND_FILLING 1
#include "platform/late_bound_curl.h"

namespace kestrilo::late_bound {
namespace {

Functions Fill() {
  Functions functions;
#define KESTRILO_LATE_LINKED(name) functions.name = &::name;
  KESTRILO_LATE_BOUND(KESTRILO_LATE_LINKED)
#undef KESTRILO_LATE_LINKED
  functions.loaded = true;
  return functions;
}

}  // namespace

const Functions& Get() {
  static const Functions functions = Fill();
  return functions;
}

}  // namespace kestrilo::late_bound
