#include "cli/keyword_filter.h"

#include "runtime/gbk.h"

namespace kestrilo {

std::optional<KeywordFilter> KeywordFilter::Make(const std::vector<std::string>& include,
                                                 const std::vector<std::string>& exclude,
                                                 bool ignore_case, std::string& error) {
  KeywordFilter filter;
  const auto compile = [&](const std::vector<std::string>& patterns, const char* option,
                           std::vector<PatternMatch>& into) {
    for (const std::string& pattern : patterns) {
      PatternMatch match(pattern, ignore_case);
      if (!match.Valid()) {
        error = std::string(option) + " '" + pattern + "': " + match.Error();
        return false;
      }
      into.push_back(std::move(match));
    }
    return true;
  };
  if (!compile(include, "--include", filter.include_) ||
      !compile(exclude, "--exclude", filter.exclude_)) {
    return std::nullopt;
  }
  return filter;
}

bool KeywordFilter::Keeps(const Text& keyword) const {
  if (include_.empty() && exclude_.empty()) return true;
  const std::string utf8 = Utf8FromGbk(keyword);
  for (const PatternMatch& pattern : include_) {
    if (!pattern.Finds(utf8)) return false;
  }
  for (const PatternMatch& pattern : exclude_) {
    if (pattern.Finds(utf8)) return false;
  }
  return true;
}

}  // namespace kestrilo
