#pragma once

// Maps a 32-bit Windows image (PE32, DLL or EXE) from bytes in memory,
// without a file and without the system loader: sections copied, base
// relocations applied, imports resolved, a DLL's entry point called for
// process attach. The mapping is read-write-execute throughout, because a
// packed image unpacks itself in place.
//
// The image is untrusted input as far as the loader goes: every header,
// table and name it reads is checked to lie inside the given bytes or the
// mapped image, sizes are capped, and a malformed image fails to load (or
// has no exports) instead of crashing. Only the image's own code, once
// called, is beyond that protection.
//
// Copies of a MemoryModule share one mapping: loading or freeing through
// any copy is seen by all. Destroying the objects leaves the image mapped
// (and attached) until Free or the end of the process.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "runtime/types.h"

namespace kestrilo {

class MemoryModule {
 public:
  MemoryModule();
  MemoryModule(const MemoryModule&) = default;
  MemoryModule& operator=(const MemoryModule&) = default;
  ~MemoryModule() = default;

  // Frees whatever is mapped, then maps `image`. Imports are offered first
  // to `resolver` (when not 0), called through CallAddress with (DLL name,
  // function name or the ordinal as decimal text, resolver_data); it answers
  // the address or 0. True when the image is mapped afterwards.
  bool Load(std::span<const std::uint8_t> image, std::uintptr_t resolver = 0,
            std::uintptr_t resolver_data = 0);

  // Detaches a DLL and unmaps. True when nothing is mapped afterwards.
  bool Free();

  // The address of an export; a name that is a plain decimal number (one
  // that reads back as the same text) is an ordinal. 0 when there is no
  // such export or nothing is mapped.
  std::uintptr_t GetProc(const Text& name) const;

  std::uintptr_t EntryPoint() const;
  std::uintptr_t Base() const;

 private:
  struct Mapping {
    std::uintptr_t base = 0;
    std::size_t size = 0;
    std::uint32_t entry_point = 0;  // relative to base
    bool dll = false;
  };

  std::shared_ptr<Mapping> mapping_;
};

// Hands the skin to the engine's "SkinH_AttachRes" export, when the module
// has one, and returns the engine's answer; 0 without calling anything when
// it has none.
std::uint32_t ApplySkin(const MemoryModule& module, std::span<const std::uint8_t> skin);

}  // namespace kestrilo
