#pragma once

namespace kestrilo {

// Registers the icon and other compiled-in files. Needed once per process:
// the static library's own registration is dropped by the linker.
void LoadAppResources();

}  // namespace kestrilo
