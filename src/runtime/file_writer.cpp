#include "runtime/file_writer.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/gbk.h"

namespace kestrilo {
namespace {

bool WriteAll(int fd, const Bytes& block) {
  const std::uint8_t* data = block.data();
  std::size_t left = block.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Writing through a symbolic link updates the file it points at rather than
// replacing the link with a regular file.
std::string ResolveTarget(const std::string& path) {
  char resolved[PATH_MAX];
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
      ::realpath(path.c_str(), resolved) != nullptr) {
    return resolved;
  }
  return path;
}

// Read from /proc rather than with umask(), which would have to change the
// process-wide mask for a moment under any other thread.
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  return 022;
}

// A writable file in a folder that takes no new file: truncated and
// rewritten where it is.
bool WriteInPlace(const std::string& target, std::span<const Bytes> blocks) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  for (const Bytes& block : blocks) {
    if (!ok) break;
    ok = WriteAll(fd, block);
  }
  ok = ok && ::fsync(fd) == 0;
  return (::close(fd) == 0) && ok;
}

}  // namespace

bool WriteToFile(const Text& file_name, std::span<const Bytes> blocks) {
  if (file_name.empty()) return false;
  return WriteToPath(Utf8FromGbk(file_name), blocks);
}

bool WriteToPath(const std::string& path, std::span<const Bytes> blocks) {
  if (path.empty()) return false;
  const std::string target = ResolveTarget(path);

  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) return false;

  std::string temp = DirectoryOf(target) + "/.kestrilo-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    const bool folder_refuses = errno == EACCES || errno == EPERM;
    return exists && folder_refuses && WriteInPlace(target, blocks);
  }

  // The exclusive lock keeps two of our own writers from interleaving; other
  // programs on Linux may ignore it.
  bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  for (const Bytes& block : blocks) {
    if (!ok) break;
    ok = WriteAll(fd, block);
  }
  // Keep the permissions of the file being replaced; a new file gets the
  // usual 0666 less the umask rather than mkstemp's 0600.
  if (ok) {
    mode_t mode = existing.st_mode & 07777;
    if (!exists) mode = 0666 & ~CurrentUmask();
    ok = ::fchmod(fd, mode) == 0;
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool WriteToFile(const Text& file_name, std::initializer_list<Bytes> blocks) {
  return WriteToFile(file_name, std::span<const Bytes>(blocks.begin(), blocks.size()));
}

Text RunDirectory() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  return GbkFromUtf8(DirectoryOf(std::string(path, static_cast<std::size_t>(n))));
}

}  // namespace kestrilo
