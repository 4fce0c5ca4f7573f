// Writing a file on Windows: the names are UTF-16 (from the UTF-8 path, so
// that a name GBK cannot hold is kept), the new content goes to a temporary
// file beside the target, and ReplaceFileW puts it in place, keeping the
// old file's attributes and security. Until then the old file is untouched.

#include <windows.h>

#include <algorithm>
#include <string>

#include "runtime/file_writer.h"
#include "runtime/gbk.h"
#include "runtime/windows_text.h"

namespace kestrilo {
namespace {

bool Fail(std::string* why, std::string reason) {
  if (why != nullptr) *why = std::move(reason);
  return false;
}

// The reasons the CLI shows are English on every system; the common ones
// read as they do on Linux.
std::string ErrorText(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: return "No such file or directory";
    case ERROR_ACCESS_DENIED: return "Permission denied";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE: return "another program holds a lock on it";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "No space left on device";
    case ERROR_WRITE_PROTECT: return "Read-only file system";
    case ERROR_FILENAME_EXCED_RANGE: return "File name too long";
    case ERROR_INVALID_NAME: return "Invalid file name";
    default: break;
  }
  char* text = nullptr;
  const DWORD n = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), reinterpret_cast<char*>(&text),
      0, nullptr);
  std::string message = n > 0 && text != nullptr ? std::string(text, n) : std::string();
  if (text != nullptr) ::LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == '.' || message.back() == ' ')) {
    message.pop_back();
  }
  return message.empty() ? "Windows error " + std::to_string(error) : message;
}

bool WriteAll(HANDLE file, std::span<const Bytes> blocks, DWORD& error, ULONGLONG* written) {
  for (const Bytes& block : blocks) {
    const std::uint8_t* data = block.data();
    std::size_t left = block.size();
    while (left > 0) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(left, 1u << 30));
      DWORD done = 0;
      if (!::WriteFile(file, data, chunk, &done, nullptr) || done == 0) {
        error = ::GetLastError();
        if (error == ERROR_SUCCESS) error = ERROR_WRITE_FAULT;
        return false;
      }
      data += done;
      left -= done;
      if (written != nullptr) *written += done;
    }
  }
  return true;
}

std::wstring FolderOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return L".";
  // "C:\" keeps its separator, "\\server\share\x" its share.
  if (slash == 2 && path[1] == L':') return path.substr(0, 3);
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

bool SetSize(HANDLE file, ULONGLONG size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size);
  return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
}

bool Rewind(HANDLE file) {
  LARGE_INTEGER zero{};
  return ::SetFilePointerEx(file, zero, nullptr, FILE_BEGIN) != 0;
}

// A file in a folder that takes no new file: rewritten where it is, opened
// for us alone, grown to its new size before any old byte is overwritten,
// and put back as it was when a write fails.
bool WriteInPlace(const std::wstring& target, std::span<const Bytes> blocks, std::string* why) {
  HANDLE file = ::CreateFileW(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(why, ErrorText(::GetLastError()));
  const auto fail = [&](DWORD error) {
    ::CloseHandle(file);
    return Fail(why, ErrorText(error));
  };
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size)) return fail(::GetLastError());
  const auto old_size = static_cast<ULONGLONG>(size.QuadPart);
  Bytes old(static_cast<std::size_t>(old_size));
  DWORD read = 0;
  if (!old.empty() && (!::ReadFile(file, old.data(), static_cast<DWORD>(old.size()), &read,
                                   nullptr) ||
                       read != old.size())) {
    return fail(::GetLastError());
  }
  ULONGLONG total = 0;
  for (const Bytes& block : blocks) total += block.size();
  if (total > old_size && !SetSize(file, total)) {
    const DWORD error = ::GetLastError();
    SetSize(file, old_size);
    return fail(error);
  }
  DWORD error = ERROR_SUCCESS;
  ULONGLONG written = 0;
  bool good = Rewind(file) && WriteAll(file, blocks, error, &written);
  if (!good && error == ERROR_SUCCESS) error = ::GetLastError();
  if (good && total < old_size && !SetSize(file, total)) good = false, error = ::GetLastError();
  if (good && !::FlushFileBuffers(file)) good = false, error = ::GetLastError();
  if (!good) {
    DWORD ignored = 0;
    if (Rewind(file)) {
      const Bytes back(old.begin(),
                       old.begin() + static_cast<std::ptrdiff_t>(std::min(written, old_size)));
      WriteAll(file, std::span<const Bytes>(&back, 1), ignored, nullptr);
    }
    SetSize(file, old_size);
    ::FlushFileBuffers(file);
    return fail(error);
  }
  if (!::CloseHandle(file)) return Fail(why, ErrorText(::GetLastError()));
  return true;
}

}  // namespace

bool WriteToPath(const std::string& path, std::span<const Bytes> blocks, std::string* why) {
  if (path.empty()) return Fail(why, "no file name given");
  std::wstring target = WideFromUtf8(path);
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Fail(why, "Is a directory");
  if (exists && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    // A link is followed: the file it names is updated, not replaced by a
    // file of its own.
    HANDLE link = ::CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (link == INVALID_HANDLE_VALUE) return Fail(why, ErrorText(::GetLastError()));
    wchar_t final_path[MAX_PATH * 4];
    const DWORD n = ::GetFinalPathNameByHandleW(link, final_path, MAX_PATH * 4, 0);
    ::CloseHandle(link);
    if (n == 0 || n >= MAX_PATH * 4) return Fail(why, ErrorText(::GetLastError()));
    target.assign(final_path, n);
  }

  // A name of our own beside the target: same folder, same volume, so the
  // replacement is a rename.
  const std::wstring folder = FolderOf(target);
  std::wstring temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD error = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 16 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = folder + L"\\.kestrilo-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(::GetTickCount64() + static_cast<ULONGLONG>(attempt)) + L".tmp";
    file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    error = file == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) {
    if (exists && error == ERROR_ACCESS_DENIED) return WriteInPlace(target, blocks, why);
    return Fail(why, ErrorText(error));
  }
  bool good = WriteAll(file, blocks, error, nullptr);
  if (good && !::FlushFileBuffers(file)) good = false, error = ::GetLastError();
  if (!::CloseHandle(file) && good) good = false, error = ::GetLastError();
  if (good && exists) {
    // A file another program holds without letting it be deleted cannot be
    // replaced; asked first, since Wine's ReplaceFileW leaves a backup file
    // of its own behind when it finds out.
    HANDLE probe = ::CreateFileW(target.c_str(), DELETE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
      good = false;
      error = ::GetLastError();
    } else {
      ::CloseHandle(probe);
    }
  }
  if (good) {
    if (exists) {
      good = ::ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                            REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
    } else {
      good = ::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
    }
    if (!good) error = ::GetLastError();
  }
  if (!good) {
    ::DeleteFileW(temp.c_str());
    return Fail(why, ErrorText(error));
  }
  return true;
}

Text RunDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const auto slash = path.find_last_of(L"\\/");
  if (slash != std::wstring::npos) path.resize(slash);
  return GbkFromUtf8(Utf8FromWide(path));
}

}  // namespace kestrilo
