#include "app/skin_library.h"

#include <optional>

namespace kestrilo {
namespace {

std::optional<MemoryModule>& Holder() {
  static std::optional<MemoryModule> holder;
  return holder;
}

}  // namespace

MemoryModule& SkinLibrary() {
  if (!Holder()) Holder().emplace();
  return *Holder();
}

void CreateSkinLibraryHolder() { Holder().emplace(); }

// MemoryModule's destructor leaves the mapping alone, which is what we want:
// the engine hooks the windows for as long as the process runs.
void ReleaseSkinLibraryHolder() { Holder().reset(); }

bool SkinLibraryHolderExists() { return Holder().has_value(); }

std::span<const std::uint8_t> CarriedSkinEngine() { return {}; }
std::span<const std::uint8_t> CarriedSkin() { return {}; }

bool LoadSkinLibrary() { return SkinLibrary().Load(CarriedSkinEngine()); }

std::uint32_t ApplyCarriedSkin() { return ApplySkin(SkinLibrary(), CarriedSkin()); }

}  // namespace kestrilo
