#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include "platform/console.h"
#include "runtime/windows_text.h"

namespace kestrilo {
namespace {

HANDLE ConsoleOf(std::FILE* stream) {
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
  DWORD mode = 0;
  if (handle == INVALID_HANDLE_VALUE || !::GetConsoleMode(handle, &mode)) return nullptr;
  return handle;
}

}  // namespace

void PrepareConsole() {
  for (std::FILE* stream : {stdin, stdout, stderr}) ::_setmode(::_fileno(stream), _O_BINARY);
  for (DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE console = ::GetStdHandle(which);
    DWORD mode = 0;
    if (console != INVALID_HANDLE_VALUE && ::GetConsoleMode(console, &mode)) {
      ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
  }
}

std::vector<std::string> CommandLineUtf8(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
  ::LocalFree(wide);
  return args;
}

bool IsTerminal(std::FILE* stream) { return ConsoleOf(stream) != nullptr; }

bool WriteText(std::FILE* stream, std::string_view text) {
  const HANDLE console = ConsoleOf(stream);
  if (console == nullptr) return std::fwrite(text.data(), 1, text.size(), stream) == text.size();
  // What went through the FILE before comes first.
  std::fflush(stream);
  std::wstring wide = WideFromUtf8(text);
  // A console shows "\n" as a line end either way; the escape sequences
  // pass as they are.
  const wchar_t* data = wide.data();
  std::size_t left = wide.size();
  while (left > 0) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(left < 16384 ? left : 16384);
    if (!::WriteConsoleW(console, data, chunk, &written, nullptr) || written == 0) return false;
    data += written;
    left -= written;
  }
  return true;
}

}  // namespace kestrilo
