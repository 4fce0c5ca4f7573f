#include <csignal>
#include <string>
#include <thread>

#include <pthread.h>
#include <unistd.h>

#include "cli/run_stop.h"
#include "platform/http_exchange.h"

namespace kestrilo {

namespace {

void Say(const char* text) {
  // Whatever the main thread is doing with stderr, one write keeps the line whole.
  std::size_t left = std::char_traits<char>::length(text);
  while (left > 0) {
    const ssize_t n = ::write(STDERR_FILENO, text, left);
    if (n <= 0) return;
    text += n;
    left -= static_cast<std::size_t>(n);
  }
}

}  // namespace

void StopOnCtrlC(RunStop& stop, int exit_code) {
  sigset_t interrupt;
  sigemptyset(&interrupt);
  sigaddset(&interrupt, SIGINT);
  pthread_sigmask(SIG_BLOCK, &interrupt, nullptr);
  // Detached: it lives as long as the process, and `stop` with it.
  std::thread([&stop, interrupt, exit_code] {
    for (int count = 0;;) {
      int received = 0;
      if (sigwait(&interrupt, &received) != 0) continue;
      ++count;
      if (count == 1) {
        // Transfers first: a request that gets its turn at a site after
        // the stop then fails at once instead of being sent.
        CancelTransfers(true);
        stop.Request();
      } else if (count == 2) {
        Say("\nkestrilo-cli: still writing what was found; Ctrl+C once more ends at once\n");
      } else {
        ::_exit(exit_code);
      }
    }
  }).detach();
}

}  // namespace kestrilo
