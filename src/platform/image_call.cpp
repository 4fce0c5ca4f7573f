#include "platform/image_call.h"

#include <mutex>
#include <utility>

#if defined(__i386__)
extern "C" std::uint32_t kestrilo_call_stdcall10(std::uintptr_t address,
                                                 const std::uintptr_t* args);
#endif

namespace kestrilo {
namespace {

#if defined(__i386__)

// cdecl (address, pointer to the ten arguments). Pushes the arguments last
// to first and calls; ebp, which the callee preserves like every stdcall
// routine does, gives back the stack pointer however many bytes the callee
// popped. Written as a whole function so that the compiler sees an ordinary
// cdecl call and saves whatever the callee may clobber.
asm(R"(
    .pushsection .text
    .p2align 4
    .globl kestrilo_call_stdcall10
    .hidden kestrilo_call_stdcall10
    .type kestrilo_call_stdcall10, @function
kestrilo_call_stdcall10:
    pushl %ebp
    movl %esp, %ebp
    movl 12(%ebp), %ecx
    pushl 36(%ecx)
    pushl 32(%ecx)
    pushl 28(%ecx)
    pushl 24(%ecx)
    pushl 20(%ecx)
    pushl 16(%ecx)
    pushl 12(%ecx)
    pushl 8(%ecx)
    pushl 4(%ecx)
    pushl (%ecx)
    call *8(%ebp)
    movl %ebp, %esp
    popl %ebp
    ret
    .size kestrilo_call_stdcall10, .-kestrilo_call_stdcall10
    .popsection
)");

std::uint32_t RunImageCode(std::uintptr_t address, const ImageCallArgs& args) {
  return kestrilo_call_stdcall10(address, args.data());
}

#else

std::uint32_t RunImageCode(std::uintptr_t, const ImageCallArgs&) { return 0; }

#endif

struct HookSlot {
  std::mutex mutex;
  ImageCallHook hook = RunImageCode;
};

HookSlot& Slot() {
  static HookSlot slot;
  return slot;
}

}  // namespace

std::uint32_t CallAddress(std::uintptr_t address, const ImageCallArgs& args) {
  ImageCallHook hook;
  {
    // Copied out so that a hook may itself install another or call again.
    const std::lock_guard lock(Slot().mutex);
    hook = Slot().hook;
  }
  return hook(address, args);
}

ImageCallHook InstallImageCallHook(ImageCallHook hook) {
  const std::lock_guard lock(Slot().mutex);
  if (!hook) hook = RunImageCode;
  return std::exchange(Slot().hook, std::move(hook));
}

}  // namespace kestrilo
