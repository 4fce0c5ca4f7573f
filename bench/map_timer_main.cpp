// kestrilo-map-timer COMMAND [ARG...]
// kestrilo-map-timer --probe      exits 0 once the display takes clients
//
// Starts COMMAND on $DISPLAY and prints how many milliseconds passed until
// the X server mapped its first top-level window, then ends it. The wait is
// for the server's MapNotify event on the root window: nothing polls, so
// the measuring takes no time from the program measured.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string_view>

#include <X11/Xlib.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: kestrilo-map-timer COMMAND [ARG...]\n", stderr);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fputs("kestrilo-map-timer: cannot open the display\n", stderr);
    return 2;
  }
  if (std::string_view(argv[1]) == "--probe") {
    XCloseDisplay(display);
    return 0;
  }
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);

  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    execvp(argv[1], argv + 1);
    _exit(127);
  }
  double elapsed_ms = -1;
  const auto deadline = start + std::chrono::seconds(30);
  while (elapsed_ms < 0 && std::chrono::steady_clock::now() < deadline) {
    while (elapsed_ms < 0 && XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == MapNotify && !event.xmap.override_redirect) {
        elapsed_ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
      }
    }
    if (elapsed_ms >= 0) break;
    pollfd server{ConnectionNumber(display), POLLIN, 0};
    poll(&server, 1, 1000);
  }
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  XCloseDisplay(display);
  if (elapsed_ms < 0) {
    std::fputs("kestrilo-map-timer: no window was mapped within 30 s\n", stderr);
    return 1;
  }
  std::printf("%.1f\n", elapsed_ms);
  return 0;
}
