#pragma once

// The program's GBK texts and the UTF-16 of the Win32 API, both ways.

#include <windows.h>

#include <string>

#include "runtime/code_pages.h"
#include "runtime/types.h"

namespace kestrilo::win32 {

inline std::wstring WideFromGbk(const Text& gbk) {
  const std::u16string wide = MultiByteToWide(gbk, kCodePageGbk);
  return std::wstring(wide.begin(), wide.end());
}

inline Text GbkFromWide(const std::wstring& wide) {
  return WideToMultiByte(std::u16string(wide.begin(), wide.end()), kCodePageGbk);
}

inline std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  const int n = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(n > 0 ? n : 0));
  return text;
}

}  // namespace kestrilo::win32
