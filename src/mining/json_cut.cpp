#include "mining/json_cut.h"

#include <algorithm>

#include <simdjson.h>

namespace kestrilo {
namespace {

namespace dom = simdjson::dom;

// Past this a value is no suggestion reply, and the parser's memory, a
// small multiple of what it reads, stays bounded.
constexpr std::size_t kMaxJsonBytes = std::size_t{4} << 20;

// Walks the document along the path only: depth costs nothing here beyond
// the path's own length.
void Pick(dom::element value, const std::vector<JsonStep>& path, std::size_t step,
          std::vector<std::string>& picked) {
  if (step == path.size()) {
    std::string_view text;
    if (value.get_string().get(text) == simdjson::SUCCESS) picked.emplace_back(text);
    return;
  }
  const JsonStep& wanted = path[step];
  if (wanted.kind == JsonStep::Kind::kMember) {
    dom::object object;
    if (value.get_object().get(object) != simdjson::SUCCESS) return;
    // Every member of that name, in document order: a name given twice
    // gives both.
    for (const dom::key_value_pair member : object) {
      if (member.key == wanted.name) Pick(member.value, path, step + 1, picked);
    }
    return;
  }
  dom::array array;
  if (value.get_array().get(array) != simdjson::SUCCESS) return;
  std::size_t index = 0;
  for (const dom::element element : array) {
    if (wanted.kind == JsonStep::Kind::kEach || index == wanted.index) {
      Pick(element, path, step + 1, picked);
    }
    ++index;
  }
}

}  // namespace

std::vector<std::string> JsonCut(std::string_view utf8, const std::vector<JsonStep>& path) {
  // One copy with the padding the parser reads past the end.
  const simdjson::padded_string reply(utf8);
  // A start that fails costs a pass over what follows it; past a few passes
  // over the reply, the search has nothing worth its time left.
  const std::size_t budget = 8 * utf8.size() + 65536;
  std::size_t spent = 0;
  dom::parser parser;
  for (std::size_t start = utf8.find_first_of("{["); start != std::string_view::npos;
       start = utf8.find_first_of("{[", start + 1)) {
    const std::size_t length = std::min(utf8.size() - start, kMaxJsonBytes);
    spent += length;
    // The reply read as a stream of values: the first is complete and
    // well-formed or an error, whatever follows it.
    dom::document_stream values;
    if (parser.parse_many(reply.data() + start, length, std::max(length, std::size_t{64}))
            .get(values) == simdjson::SUCCESS) {
      auto first = values.begin();
      dom::element value;
      if (first != values.end() && (*first).get(value) == simdjson::SUCCESS) {
        std::vector<std::string> picked;
        Pick(value, path, 0, picked);
        return picked;
      }
    }
    if (spent > budget) break;
  }
  return {};
}

}  // namespace kestrilo
