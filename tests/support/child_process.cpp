#include "support/child_process.h"

#include <cstdlib>
#include <mutex>

#ifdef _WIN32
#include <windows.h>

#include "runtime/windows_text.h"
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace kestrilo::testing {

#ifdef _WIN32

namespace {

// The command line CommandLineToArgvW reads back as `args`.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

double Seconds(const FILETIME& time) {
  return static_cast<double>(static_cast<std::uint64_t>(time.dwHighDateTime) << 32 |
                             time.dwLowDateTime) /
         1e7;
}

HANDLE OpenInherited(const std::string& file, bool write) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return ::CreateFileW(WideFromUtf8(file).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& args, const std::string& stdin_file,
                           const std::string& stdout_file, const std::string& stderr_file,
                           bool interruptible) {
  std::wstring command;
  for (const std::string& arg : args) command += (command.empty() ? L"" : L" ") + Quoted(WideFromUtf8(arg));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = OpenInherited(stdin_file, false);
  startup.hStdOutput = OpenInherited(stdout_file, true);
  startup.hStdError = OpenInherited(stderr_file, true);
  PROCESS_INFORMATION process{};
  // A console of its own, hidden, so that Ctrl+C can be sent to it alone.
  started_ = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE,
                              interruptible ? CREATE_NEW_CONSOLE : 0, nullptr, nullptr, &startup,
                              &process) != 0;
  for (HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
  if (!started_) return;
  ::CloseHandle(process.hThread);
  handle_ = reinterpret_cast<std::intptr_t>(process.hProcess);
  id_ = process.dwProcessId;
}

ChildProcess::~ChildProcess() {
  if (started_) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

// Ctrl+C goes to every process of a console, from a process attached to
// it: the test attaches to the child's for the moment it takes, ignoring
// the event itself. One at a time, as a process has one console.
void ChildProcess::Interrupt() {
  static std::mutex one_at_a_time;
  const std::lock_guard lock(one_at_a_time);
  ::FreeConsole();
  if (!::AttachConsole(id_)) return;
  ::SetConsoleCtrlHandler(nullptr, TRUE);
  ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
  ::FreeConsole();
}

ChildProcess::Ended ChildProcess::Wait() {
  Ended ended;
  if (!started_) return ended;
  const auto process = reinterpret_cast<HANDLE>(handle_);
  ::WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(process, &code);
  ended.exit_code = static_cast<int>(code);
  FILETIME created, exited, kernel, user;
  if (::GetProcessTimes(process, &created, &exited, &kernel, &user)) {
    ended.cpu_seconds = Seconds(kernel) + Seconds(user);
  }
  return ended;
}

void SetEnvironment(const char* name, const char* value) {
  ::_putenv_s(name, value != nullptr ? value : "");
}

std::uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  return Seconds(kernel) + Seconds(user);
}

#else

ChildProcess::ChildProcess(const std::vector<std::string>& args, const std::string& stdin_file,
                           const std::string& stdout_file, const std::string& stderr_file,
                           bool /*interruptible*/) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, stdin_file.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, stdout_file.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, stderr_file.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  started_ = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  handle_ = pid;
  id_ = static_cast<std::uint32_t>(pid);
}

ChildProcess::~ChildProcess() = default;

void ChildProcess::Interrupt() { ::kill(static_cast<pid_t>(handle_), SIGINT); }

ChildProcess::Ended ChildProcess::Wait() {
  Ended ended;
  if (!started_) return ended;
  int status = 0;
  rusage usage{};
  wait4(static_cast<pid_t>(handle_), &status, 0, &usage);
  ended.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                      static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  ended.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  started_ = false;
  return ended;
}

void SetEnvironment(const char* name, const char* value) {
  if (value != nullptr) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
}

std::uint32_t CurrentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

#endif

}  // namespace kestrilo::testing
