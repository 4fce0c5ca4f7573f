#pragma once

// Cutting keywords out of JSON and JSONP replies: the strings a path picks
// from the reply's first JSON value. The JSON library stays inside this
// unit.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mining/source_recipe.h"

namespace kestrilo {

// The reply's first JSON value is the one that begins at the first "{" or
// "[" from which a whole, well-formed value can be read, so a JSONP wrapper
// before it and any text after it are skipped. Every string `path` picks
// from it is returned in document order, its escapes decoded (UTF-8);
// values of other kinds are skipped. Nothing when no value can be read.
// Nesting deeper than kMaxJsonDepth fails the value, as does one over
// 4 MiB, and only so many starts are tried, so that no reply costs more
// than a few passes over it.
inline constexpr std::size_t kMaxJsonDepth = 1024;
std::vector<std::string> JsonCut(std::string_view utf8, const std::vector<JsonStep>& path);

// Every string of that same first value, in document order, with the path
// that picks it written as a cut's path, every array position as "[]":
// ("g[].q", "x"), ("[][]", "y"). A member whose name no path can spell
// (empty, or holding ".", "[" or "]") is passed by with all it holds, as is
// a string at the top, which no path picks. Strings whose path would be
// longer than kMaxJsonPathBytes and those past the first kMaxJsonStrings
// are left out: long member names repeated down a deep value would
// otherwise cost far more than the reply.
inline constexpr std::size_t kMaxJsonPathBytes = 256;
inline constexpr std::size_t kMaxJsonStrings = 65536;
// `start`, when given, is set to where that value begins in `utf8`, and
// left alone when there is none.
std::vector<std::pair<std::string, std::string>> JsonStrings(std::string_view utf8,
                                                             std::size_t* start = nullptr);

}  // namespace kestrilo
