#include "runtime/file_writer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/gbk.h"

namespace kestrilo {
namespace {

// The kernel gives up on a path after as many links.
constexpr int kMaxLinkHops = 40;

bool Fail(std::string* why, std::string reason) {
  if (why != nullptr) *why = std::move(reason);
  return false;
}

// strerror() may share one buffer between threads; this does not.
std::string ErrorText(int error) { return std::generic_category().message(error); }

// Returns 0 or the errno of the write that failed; `offset` ends past the
// last byte written either way, which is what a roll-back has to undo.
int WriteAt(int fd, const std::uint8_t* data, std::size_t size, off_t& offset) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += n;
  }
  return 0;
}

bool ReadAll(int fd, Bytes& content) {
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n =
        ::pread(fd, content.data() + done, content.size() - done, static_cast<off_t>(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    // Shorter than fstat said: someone else cut it, and our copy would be wrong.
    if (n == 0) {
      errno = EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// `folder` never holds a link, so dropping its last name is the same as the
// kernel's "..". An empty folder is the current one.
std::string ParentOf(const std::string& folder) {
  if (folder == "/") return folder;
  if (folder.empty()) return "..";
  if (folder == ".." || folder.ends_with("/..")) return folder + "/..";
  const auto slash = folder.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : folder.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Pushes the names of `path` in front of `names`, keeping their order.
void PushNames(const std::string& path, std::deque<std::string>& names) {
  std::deque<std::string> split;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) split.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  names.insert(names.begin(), split.begin(), split.end());
}

// The kernel's protected_symlinks rule: in a sticky folder that everyone may
// write to, only a link of our own or of the folder's owner is trusted.
bool PlantedByAnother(const struct stat& link, const struct stat& folder) {
  return (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0 &&
         link.st_uid != ::geteuid() && link.st_uid != folder.st_uid;
}

// Writing through a symbolic link updates the file it points at rather than
// replacing the link with a regular file. The path is walked a name at a
// time rather than handed to realpath() so that every link on the way, in
// the folders as well as at the end, can be refused before it is followed.
bool ResolveTarget(const std::string& path, std::string& target, std::string* why) {
  std::deque<std::string> names;
  PushNames(path, names);
  std::string folder = path.front() == '/' ? "/" : "";
  int hops = 0;
  while (!names.empty()) {
    const std::string name = std::move(names.front());
    names.pop_front();
    if (name == ".") continue;
    if (name == "..") {
      folder = ParentOf(folder);
      continue;
    }
    const std::string entry = Join(folder, name);
    struct stat info {};
    // Missing, or past a file that is no folder: the path as given, which
    // creates the file or fails as the write would. A dangling link is thus
    // replaced by the file, as it always was.
    if (::lstat(entry.c_str(), &info) != 0) {
      target = path;
      return true;
    }
    if (!S_ISLNK(info.st_mode)) {
      folder = entry;
      continue;
    }
    if (++hops > kMaxLinkHops) return Fail(why, ErrorText(ELOOP));
    const std::string shown = folder.empty() ? "." : folder;
    struct stat holder {};
    if (::stat(shown.c_str(), &holder) != 0) return Fail(why, ErrorText(errno));
    if (PlantedByAnother(info, holder)) {
      return Fail(why, entry + " is a link that another user placed in the shared folder " + shown +
                           "; not following it");
    }
    char link[PATH_MAX];
    const ssize_t n = ::readlink(entry.c_str(), link, sizeof link);
    if (n < 0) return Fail(why, ErrorText(errno));
    if (static_cast<std::size_t>(n) == sizeof link) return Fail(why, ErrorText(ENAMETOOLONG));
    const std::string points_at(link, static_cast<std::size_t>(n));
    if (points_at.empty()) return Fail(why, ErrorText(ENOENT));
    // assign() rather than = "/", which GCC 12 wrongly warns may overlap.
    if (points_at.front() == '/') folder.assign(1, '/');
    PushNames(points_at, names);
  }
  if (hops == 0) {
    target = path;
    return true;
  }
  target = folder.empty() ? "." : folder;
  // "link/" must still name a folder, or fail as one that is not.
  if (path.back() == '/' && target.back() != '/') target += '/';
  return true;
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

// Best effort after a failed in-place write, which already has its reason
// to report: `written` bytes from the start were overwritten (all of them
// if the file was already cut to its new size). Without a copy of the old
// bytes only the size can be put back.
void RestoreOldContent(int fd, const Bytes* old, off_t old_size, off_t written) {
  if (old != nullptr) {
    off_t offset = 0;
    WriteAt(fd, old->data(), static_cast<std::size_t>(std::min(written, old_size)), offset);
  }
  struct stat now {};
  if (::fstat(fd, &now) == 0 && now.st_size != old_size) {
    [[maybe_unused]] const int cut = ::ftruncate(fd, old_size);
  }
  ::fsync(fd);
}

// A writable file in a folder that takes no new file: rewritten where it is.
// No old byte is overwritten until the lock is held and the new size is
// known to fit, so the usual failures leave the file untouched.
bool WriteInPlace(const std::string& target, std::span<const Bytes> blocks, std::string* why) {
  // The target was resolved to a name that is no link; a link put there
  // since then is not followed.
  int fd = ::open(target.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  const bool readable = fd >= 0;
  // A file we may write but not read: no copy to roll back to, yet the lock
  // and the size check still protect it.
  if (fd < 0 && errno == EACCES) fd = ::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return Fail(why, ErrorText(errno));

  struct stat info {};
  const auto fail = [&](std::string reason) {
    ::close(fd);
    return Fail(why, std::move(reason));
  };
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    return fail(errno == EWOULDBLOCK ? "another program holds a lock on it" : ErrorText(errno));
  }
  if (::fstat(fd, &info) != 0) return fail(ErrorText(errno));
  if (!S_ISREG(info.st_mode)) return fail("not a regular file");
  const off_t old_size = info.st_size;

  Bytes old;
  if (readable) {
    old.resize(static_cast<std::size_t>(old_size));
    if (!ReadAll(fd, old)) return fail(ErrorText(errno));
  }

  off_t total = 0;
  for (const Bytes& block : blocks) total += static_cast<off_t>(block.size());
  if (total > old_size) {
    // Returns the error rather than setting errno. Where the file system
    // cannot reserve space, glibc writes zeros past the end instead, so a
    // failure may leave the file longer.
    const int error = ::posix_fallocate(fd, 0, total);
    if (error != 0) {
      RestoreOldContent(fd, nullptr, old_size, 0);
      return fail(ErrorText(error));
    }
  }

  off_t written = 0;
  int error = 0;
  for (const Bytes& block : blocks) {
    error = WriteAt(fd, block.data(), block.size(), written);
    if (error != 0) break;
  }
  // Cut only once the whole new content is in: until then the old tail is
  // still there to keep.
  if (error == 0 && total < old_size) {
    if (::ftruncate(fd, total) != 0) {
      error = errno;
    } else {
      written = old_size;
    }
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (error != 0) {
    RestoreOldContent(fd, readable ? &old : nullptr, old_size, written);
    return fail(ErrorText(error));
  }
  if (::close(fd) != 0) return Fail(why, ErrorText(errno));
  return true;
}

}  // namespace

bool WriteToPath(const std::string& path, std::span<const Bytes> blocks, std::string* why) {
  if (path.empty()) return Fail(why, "no file name given");
  std::string target;
  if (!ResolveTarget(path, target, why)) return false;

  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  if (exists && S_ISDIR(existing.st_mode)) return Fail(why, ErrorText(EISDIR));
  if (exists && !S_ISREG(existing.st_mode)) return Fail(why, "not a regular file");

  std::string temp = DirectoryOf(target) + "/.kestrilo-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    const int error = errno;
    const bool folder_refuses = error == EACCES || error == EPERM;
    if (exists && folder_refuses) return WriteInPlace(target, blocks, why);
    return Fail(why, ErrorText(error));
  }

  // The exclusive lock keeps two of our own writers from interleaving; other
  // programs on Linux may ignore it.
  int error = ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
  off_t written = 0;
  for (const Bytes& block : blocks) {
    if (error != 0) break;
    error = WriteAt(fd, block.data(), block.size(), written);
  }
  // Keep the permissions of the file being replaced; a new file gets the
  // usual 0666 less the umask rather than mkstemp's 0600.
  if (error == 0) {
    mode_t mode = existing.st_mode & 07777;
    if (!exists) mode = 0666 & ~CurrentUmask();
    if (::fchmod(fd, mode) != 0) error = errno;
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return Fail(why, ErrorText(error));
  }
  return true;
}

Text RunDirectory() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  return GbkFromUtf8(DirectoryOf(std::string(path, static_cast<std::size_t>(n))));
}

}  // namespace kestrilo
