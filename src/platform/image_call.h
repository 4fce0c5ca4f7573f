#pragma once

// Every call into a mapped image goes through CallAddress, and CallAddress
// through one replaceable process-wide hook. The default hook runs the code
// only on an i386 host, as a stdcall routine given ten 32-bit arguments; on
// any other host image code cannot run, so it calls nothing and answers 0 --
// which makes a DLL's attach fail and its Load return false. Tests put a
// recorder in its place.

#include <array>
#include <cstdint>
#include <functional>

namespace kestrilo {

using ImageCallArgs = std::array<std::uintptr_t, 10>;
using ImageCallHook = std::function<std::uint32_t(std::uintptr_t address, const ImageCallArgs&)>;

// Calls the routine at `address` with the ten arguments pushed as for a
// routine of ten parameters. A routine that takes fewer (and so removes
// fewer from the stack) still returns correctly: the stack pointer is put
// back after the call.
std::uint32_t CallAddress(std::uintptr_t address, const ImageCallArgs& args);

// Installs `hook` for every later CallAddress and returns the one it
// replaces. An empty hook puts the default back.
ImageCallHook InstallImageCallHook(ImageCallHook hook);

// Installs a hook for its own lifetime and then restores the previous one.
class ScopedImageCallHook {
 public:
  explicit ScopedImageCallHook(ImageCallHook hook)
      : previous_(InstallImageCallHook(std::move(hook))) {}
  ~ScopedImageCallHook() { InstallImageCallHook(std::move(previous_)); }
  ScopedImageCallHook(const ScopedImageCallHook&) = delete;
  ScopedImageCallHook& operator=(const ScopedImageCallHook&) = delete;

 private:
  ImageCallHook previous_;
};

}  // namespace kestrilo
