#pragma once

// Who found each keyword first: the source, the seed it was mined for and
// the level of that seed. The list itself stays the result box's.

#include <string>
#include <unordered_map>
#include <vector>

#include "runtime/types.h"

namespace kestrilo {

struct KeywordOrigin {
  std::string source;
  Text seed;
  int depth = 0;
};

class KeywordLedger {
 public:
  // Records every line of `appended`, the text one source added to the
  // list ("\r\n" after each keyword), under this source unless an earlier
  // one found it.
  void Record(const Text& appended, const std::string& source, const Text& seed, int depth);
  // Null for a keyword no source added.
  const KeywordOrigin* Find(const Text& keyword) const;
  std::size_t Size() const { return order_.size(); }
  // The keywords first found by seeds of `depth`, in the order found.
  std::vector<Text> FoundAt(int depth) const;

 private:
  std::unordered_map<Text, KeywordOrigin> origins_;
  std::vector<Text> order_;
};

}  // namespace kestrilo
