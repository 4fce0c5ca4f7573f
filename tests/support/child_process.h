#pragma once

// A program of the build run as a child process, as a user runs it: its
// standard streams go to and come from files, and it can be interrupted as
// Ctrl+C does (SIGINT on Linux; on Windows a console break to its process
// group). posix_spawn or CreateProcessW underneath.

#include <cstdint>
#include <string>
#include <vector>

namespace kestrilo::testing {

class ChildProcess {
 public:
  // Starts `args` (the program first, UTF-8). False from started() when it
  // could not be. Only an `interruptible` child takes Interrupt(): on
  // Windows it gets a hidden console of its own, whose host may hold its
  // files for a moment after it ends.
  ChildProcess(const std::vector<std::string>& args, const std::string& stdin_file,
               const std::string& stdout_file, const std::string& stderr_file,
               bool interruptible = false);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return started_; }
  void Interrupt();

  struct Ended {
    int exit_code = -1;  // 128 + the signal for one that killed it
    double cpu_seconds = 0;
  };
  Ended Wait();

 private:
  bool started_ = false;
  std::intptr_t handle_ = 0;  // the pid, or the process handle
  std::uint32_t id_ = 0;
};

// The environment for children started later: set, or removed when
// `value` is null.
void SetEnvironment(const char* name, const char* value);

// This process's id, for names that must differ between test processes.
std::uint32_t CurrentProcessId();

// The CPU time this process has used so far, user and system.
double ProcessCpuSeconds();

}  // namespace kestrilo::testing
