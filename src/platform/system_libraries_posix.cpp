#include "platform/system_libraries.h"

namespace kestrilo {

// No Windows libraries exist on this host: only a resolver can satisfy an
// import.
std::uint32_t ResolveFromSystemLibraries(const char* /*dll*/, const char* /*function*/,
                                         std::optional<std::uint16_t> /*ordinal*/) {
  return 0;
}

}  // namespace kestrilo
