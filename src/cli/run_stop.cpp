#include "cli/run_stop.h"

namespace kestrilo {

void RunStop::Request() {
  {
    // Under the lock, so that a waiter between its check and its wait
    // cannot miss the change.
    const std::lock_guard lock(mutex_);
    stopped_.store(true, std::memory_order_release);
  }
  changed_.notify_all();
}

void RunStop::Sleep(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, duration, [this] { return Requested(); });
}

}  // namespace kestrilo
