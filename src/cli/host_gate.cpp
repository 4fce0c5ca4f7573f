#include "cli/host_gate.h"

#include <mutex>

namespace kestrilo {

bool HostGate::Enter(const Text& host) {
  std::unique_lock lock(stop_.Mutex());
  Host& state = hosts_[host];
  stop_.Changed().wait(lock, [&] { return !state.busy || stop_.Requested(); });
  if (stop_.Requested()) return false;
  // Marked busy first, so nobody else takes the host during the pause.
  state.busy = true;
  stop_.Changed().wait_until(lock, state.free_at, [&] { return stop_.Requested(); });
  return true;
}

void HostGate::Leave(const Text& host) {
  {
    const std::lock_guard lock(stop_.Mutex());
    Host& state = hosts_[host];
    state.busy = false;
    state.free_at = std::chrono::steady_clock::now() + pace_;
  }
  stop_.Notify();
}

}  // namespace kestrilo
