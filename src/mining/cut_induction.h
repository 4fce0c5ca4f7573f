#pragma once

// Mending a source whose site changed: its reply still holds keywords that
// other sources found for the same seed, and the text around them gives new
// markers (left/right delimiter induction), or, for a JSON or JSONP reply,
// the path they sit under. Plain text in, a recipe cut out: no site, no
// request.

#include <optional>
#include <string>
#include <vector>

#include "mining/source_recipe.h"
#include "runtime/types.h"

namespace kestrilo {

struct CutSuggestion {
  // The induced cut, when one passed its checks on the reply.
  std::optional<RecipeCut> cut;
  // What that cut takes from the reply, as it would append them (GBK).
  std::vector<Text> takes;
  // The known keywords it was induced from (GBK), in the reply's order.
  std::vector<Text> induced_from;
  // Why there is no cut (English, UTF-8); empty when there is one.
  std::string reason;
};

// `reply` is the text the source's marker cuts see (GBK: a UTF-8 reply
// already converted); `known` the distinct keywords other sources cut for
// the same seed (GBK, the seed itself left out).
CutSuggestion SuggestCut(const Text& reply, const std::vector<Text>& known);

}  // namespace kestrilo
