#include "cli/host_gate.h"

#include <thread>

namespace kestrilo {

void HostGate::Enter(const Text& host) {
  std::unique_lock lock(mutex_);
  Host& state = hosts_[host];
  freed_.wait(lock, [&] { return !state.busy; });
  state.busy = true;
  const auto free_at = state.free_at;
  lock.unlock();
  // Marked busy first, so nobody else takes the host during the pause.
  std::this_thread::sleep_until(free_at);
}

void HostGate::Leave(const Text& host) {
  {
    const std::lock_guard lock(mutex_);
    Host& state = hosts_[host];
    state.busy = false;
    state.free_at = std::chrono::steady_clock::now() + pace_;
  }
  freed_.notify_all();
}

}  // namespace kestrilo
