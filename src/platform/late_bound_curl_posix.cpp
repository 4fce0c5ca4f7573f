#define KESTRILO_LATE_BOUND_FILLING 1
#include "platform/late_bound_curl.h"

#include <dlfcn.h>

namespace kestrilo::late_bound {
namespace {

Functions Load() {
  Functions functions;
  // The first thing the loader refused is the one worth telling: a missing
  // library explains every function missing after it.
  const auto note = [&functions](const std::string& problem) {
    if (functions.problem.empty()) functions.problem = problem;
  };
  const auto open = [&note](const char* file) {
    void* library = ::dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
      const char* error = ::dlerror();
      note(error != nullptr ? error : std::string(file) + ": cannot be loaded");
    }
    return library;
  };
  // The libraries curl was built with; they stay loaded for the process.
  void* const libraries[] = {open("libcurl.so.4"), open("libssl.so.3"), open("libcrypto.so.3")};
  const auto find = [&libraries, &note](const char* name) -> void* {
    std::string first_error;
    for (void* library : libraries) {
      if (library == nullptr) continue;
      if (void* found = ::dlsym(library, name)) return found;
      // The library that should have it names itself first.
      const char* error = ::dlerror();
      if (first_error.empty() && error != nullptr) first_error = error;
    }
    note(first_error.empty() ? std::string("no function ") + name : first_error);
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
