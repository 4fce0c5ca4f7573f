#define KESTRILO_LATE_BOUND_FILLING 1
#include "platform/late_bound_curl.h"

#include <dlfcn.h>

namespace kestrilo::late_bound {
namespace {

Functions Load() {
  Functions functions;
  // The libraries curl was built with; they stay loaded for the process.
  void* const libraries[] = {::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL),
                             ::dlopen("libssl.so.3", RTLD_NOW | RTLD_LOCAL),
                             ::dlopen("libcrypto.so.3", RTLD_NOW | RTLD_LOCAL)};
  const auto find = [&libraries](const char* name) -> void* {
    for (void* library : libraries) {
      if (library == nullptr) continue;
      if (void* found = ::dlsym(library, name)) return found;
    }
    return nullptr;
  };
  bool all = true;
#define KESTRILO_LATE_RESOLVE(name)                                  \
  functions.name = reinterpret_cast<decltype(&::name)>(find(#name)); \
  all = all && functions.name != nullptr;
  KESTRILO_LATE_BOUND(KESTRILO_LATE_RESOLVE)
#undef KESTRILO_LATE_RESOLVE
  functions.loaded = all;
  return functions;
}

}  // namespace

const Functions& Get() {
  static const Functions functions = Load();
  return functions;
}

}  // namespace kestrilo::late_bound
