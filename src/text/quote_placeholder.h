#pragma once

#include <string_view>

namespace kestrilo {

// "#引号" in GBK: written where a marker or pattern needs a double quote, so
// that callers never have to write one.
inline constexpr std::string_view kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";

}  // namespace kestrilo
