#pragma once

// Stopping a run from the terminal. Every step looks at one flag, and every
// wait of the run (a pause between keywords, a turn at a site) waits on one
// condition that the stop wakes, so nothing sleeps through a Ctrl+C.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace kestrilo {

class RunStop {
 public:
  const std::atomic<bool>& Flag() const { return stopped_; }
  bool Requested() const { return stopped_.load(std::memory_order_acquire); }
  void Request();

  // Waits `duration`, less when the run stops meanwhile.
  void Sleep(std::chrono::milliseconds duration);

  // For waits on state of their own: guard it with Mutex(), wait on
  // Changed() with a predicate that also takes Requested(), and call
  // Notify() after changing it.
  std::mutex& Mutex() { return mutex_; }
  std::condition_variable& Changed() { return changed_; }
  void Notify() { changed_.notify_all(); }

 private:
  std::atomic<bool> stopped_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
};

// From here on Ctrl+C is taken by a thread of its own, so that what it
// sets off is ordinary code rather than a signal handler's: on Linux a
// thread waiting for SIGINT (call this before any other thread starts: the
// signal is blocked in the caller, and the threads it starts later inherit
// that), on Windows the thread the console control handler runs on. The
// first Ctrl+C cancels every transfer under way and stops `stop`; the
// second only says that what was found is still being written; a third
// ends the program at once with `exit_code`.
void StopOnCtrlC(RunStop& stop, int exit_code);

}  // namespace kestrilo
