#pragma once

// The program's GBK texts and the UTF-16 of the Win32 API, both ways.

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

}  // namespace kestrilo::win32
