#pragma once

// GBK at the edges. Inside the program every text is GBK; source files,
// the terminal and file names on Linux are UTF-8. These convert between the
// two where a text crosses such an edge. A character the target cannot hold,
// or a byte sequence that is not valid in the source, becomes "?".

#include <cstddef>
#include <string_view>

#include "runtime/types.h"

namespace kestrilo {

Text GbkFromUtf8(std::string_view utf8);
std::string Utf8FromGbk(std::string_view gbk);

// "查询已完成！"_gbk: a UTF-8 literal of this source file as the program's
// GBK text. Converted when evaluated, so keep it out of tight loops.
inline Text operator""_gbk(const char* utf8, std::size_t size) {
  return GbkFromUtf8(std::string_view(utf8, size));
}

}  // namespace kestrilo
