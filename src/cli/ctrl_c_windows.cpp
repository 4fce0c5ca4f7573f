#include <windows.h>

#include <atomic>
#include <cstring>

#include "cli/run_stop.h"
#include "platform/http_exchange.h"

namespace kestrilo {
namespace {

RunStop* g_stop = nullptr;
int g_exit_code = 0;
std::atomic<int> g_count{0};

// Windows runs the handler on a thread of its own, so what it sets off is
// ordinary code, as the signal thread's is on Linux.
BOOL WINAPI OnCtrlC(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  const int count = ++g_count;
  if (count == 1) {
    // Transfers first: a request that gets its turn at a site after the
    // stop then fails at once instead of being sent.
    CancelTransfers(true);
    g_stop->Request();
  } else if (count == 2) {
    const char* text = "\nkestrilo-cli: still writing what was found; Ctrl+C once more ends at once\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)),
                &written, nullptr);
  } else {
    ::ExitProcess(static_cast<UINT>(g_exit_code));
  }
  return TRUE;
}

}  // namespace

void StopOnCtrlC(RunStop& stop, int exit_code) {
  g_stop = &stop;
  g_exit_code = exit_code;
  ::SetConsoleCtrlHandler(OnCtrlC, TRUE);
}

}  // namespace kestrilo
