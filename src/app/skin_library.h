#pragma once

// The skin library the program carries: a skin engine image mapped from
// memory at start, and the skin it is handed once the main window exists.

#include <cstdint>
#include <span>

#include "platform/memory_module.h"

namespace kestrilo {

// The program's one image holder; empty until CreateSkinLibraryHolder.
MemoryModule& SkinLibrary();
void CreateSkinLibraryHolder();
// Releases the holder object only: a mapped image stays mapped (and
// attached) until the process ends.
void ReleaseSkinLibraryHolder();
bool SkinLibraryHolderExists();

// The engine image and the skin built into the program. This build carries
// neither, so the library fails to load and the windows keep the system
// look.
std::span<const std::uint8_t> CarriedSkinEngine();
std::span<const std::uint8_t> CarriedSkin();

// Maps the carried engine into the holder; false (and nothing reported)
// when there is none or it cannot be mapped here.
bool LoadSkinLibrary();

// Hands the carried skin to the engine's SkinH_AttachRes; 0 when no engine
// is mapped or it has no such export.
std::uint32_t ApplyCarriedSkin();

}  // namespace kestrilo
