// kestrilo-close-timer.exe [--idle] [--runs N] PROGRAM.EXE
//
// How long a window program takes to end once its main window is closed.
// By default PROGRAM is kestrilo.exe in the middle of a run: it is started
// with every site routed to a loopback port that takes connections and
// never answers, a seed is typed, 查询 pressed, and the window is closed
// once the first connection came. With --idle the window is closed with
// nothing under way (any window program will do: the bare window is the
// yardstick).
// Prints each run's milliseconds from WM_CLOSE to the process's end and
// their median; exits 1 when a run did not end within 10 s.

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "forms/window_form.h"
#include "win32/form_window.h"

namespace {

int ControlId(std::string_view name) {
  const auto& controls = kestrilo::forms::MainWindowForm().controls;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].name == name) return kestrilo::win32::kFirstControlId + static_cast<int>(i);
  }
  return 0;
}

struct Search {
  DWORD process;
  HWND found;
};

HWND MainWindowOf(DWORD process) {
  Search search{process, nullptr};
  ::EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto* wanted = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != wanted->process || !::IsWindowVisible(window) ||
            ::GetWindow(window, GW_OWNER) != nullptr) {
          return TRUE;
        }
        wanted->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Milliseconds from WM_CLOSE to the process's end; negative on failure.
double OneRun(const std::wstring& program, SOCKET listener, unsigned short port, bool idle) {
  std::wstring command = L"\"" + program + L"\" --connect-to ::127.0.0.1:" + std::to_wstring(port);
  STARTUPINFOW start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &start, &process)) {
    std::fprintf(stderr, "kestrilo-close-timer: cannot start the program (%lu)\n",
                 ::GetLastError());
    return -1;
  }
  ::CloseHandle(process.hThread);
  double elapsed = -1;
  HWND window = nullptr;
  for (int i = 0; i < 300 && window == nullptr; ++i) {
    ::Sleep(100);
    window = MainWindowOf(process.dwProcessId);
  }
  std::vector<SOCKET> held;
  if (window == nullptr) {
    std::fputs("kestrilo-close-timer: no main window within 30 s\n", stderr);
  } else if (idle) {
    ::Sleep(300);
    const auto closed = std::chrono::steady_clock::now();
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0) {
      elapsed =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - closed)
              .count();
    }
  } else {
    ::SendMessageW(::GetDlgItem(window, ControlId("编辑框1")), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(L"手机"));
    const int query = ControlId("按钮1");
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(query, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(window, query)));
    // The run is under way once its first connection comes; it is held
    // open, unanswered, as a slow site would.
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(listener, &ready);
    timeval wait{10, 0};
    if (::select(0, &ready, nullptr, nullptr, &wait) != 1) {
      std::fputs("kestrilo-close-timer: the query made no connection within 10 s\n", stderr);
    } else {
      held.push_back(::accept(listener, nullptr, nullptr));
      ::Sleep(300);
      const auto closed = std::chrono::steady_clock::now();
      ::PostMessageW(window, WM_CLOSE, 0, 0);
      if (::WaitForSingleObject(process.hProcess, 10000) == WAIT_OBJECT_0) {
        elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                            closed)
                      .count();
      } else {
        std::fputs("kestrilo-close-timer: still running 10 s after its window was closed\n",
                   stderr);
      }
    }
  }
  if (elapsed < 0) ::TerminateProcess(process.hProcess, 1);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  ::CloseHandle(process.hProcess);
  for (SOCKET socket : held) ::closesocket(socket);
  // Connections the run made after the first are dropped with it.
  for (;;) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(listener, &ready);
    timeval none{0, 0};
    if (::select(0, &ready, nullptr, nullptr, &none) != 1) break;
    ::closesocket(::accept(listener, nullptr, nullptr));
  }
  return elapsed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  bool idle = false;
  int runs = 5;
  std::wstring program;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--idle") {
      idle = true;
    } else if (arg == L"--runs" && i + 1 < argc) {
      runs = std::max(1, _wtoi(argv[++i]));
    } else {
      program = arg;
    }
  }
  if (program.empty()) {
    std::fputs("usage: kestrilo-close-timer [--idle] [--runs N] PROGRAM.EXE\n", stderr);
    return 2;
  }
  WSADATA winsock;
  ::WSAStartup(MAKEWORD(2, 2), &winsock);
  SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listener, 64) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::fputs("kestrilo-close-timer: no loopback port\n", stderr);
    return 2;
  }
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const double ms = OneRun(program, listener, ntohs(address.sin_port), idle);
    if (ms < 0) return 1;
    times.push_back(ms);
  }
  std::vector<double> sorted = times;
  std::sort(sorted.begin(), sorted.end());
  std::printf("median %.1f ms (", sorted[sorted.size() / 2]);
  for (std::size_t i = 0; i < times.size(); ++i) std::printf(i == 0 ? "%.1f" : " %.1f", times[i]);
  std::printf(")\n");
  return 0;
}
