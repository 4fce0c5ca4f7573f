#pragma once

// A path the program holds as UTF-8, as the file system functions take it:
// on Windows a narrow path would be read in the ANSI code page instead.

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrilo {

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace kestrilo
