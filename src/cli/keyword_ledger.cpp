#include "cli/keyword_ledger.h"

namespace kestrilo {

void KeywordLedger::Record(const Text& appended, const std::string& source, const Text& seed,
                           int depth) {
  std::size_t start = 0;
  while (start < appended.size()) {
    std::size_t end = appended.find("\r\n", start);
    if (end == Text::npos) end = appended.size();
    Text keyword = appended.substr(start, end - start);
    start = end + 2;
    if (origins_.try_emplace(keyword, KeywordOrigin{source, seed, depth}).second) {
      order_.push_back(std::move(keyword));
    }
  }
}

const KeywordOrigin* KeywordLedger::Find(const Text& keyword) const {
  const auto found = origins_.find(keyword);
  return found == origins_.end() ? nullptr : &found->second;
}

std::vector<Text> KeywordLedger::FoundAt(int depth) const {
  std::vector<Text> found;
  for (const Text& keyword : order_) {
    if (origins_.at(keyword).depth == depth) found.push_back(keyword);
  }
  return found;
}

}  // namespace kestrilo
