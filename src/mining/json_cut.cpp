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

// Calls `use` with the reply's first JSON value and where it begins, while
// the parser that holds it lives; false when there is none.
template <typename Use>
bool WithFirstValue(std::string_view utf8, Use&& use) {
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
        use(value, start);
        return true;
      }
    }
    if (spent > budget) break;
  }
  return false;
}

// `path` is the value's own path, extended and restored in place: copies
// would cost the depth once per string.
void Collect(dom::element value, std::string& path,
             std::vector<std::pair<std::string, std::string>>& strings) {
  if (strings.size() >= kMaxJsonStrings) return;
  std::string_view text;
  if (value.get_string().get(text) == simdjson::SUCCESS) {
    if (!path.empty()) strings.emplace_back(path, text);
    return;
  }
  const std::size_t size = path.size();
  dom::array array;
  if (value.get_array().get(array) == simdjson::SUCCESS) {
    if (size + 2 > kMaxJsonPathBytes) return;
    path += "[]";
    for (const dom::element element : array) Collect(element, path, strings);
    path.resize(size);
    return;
  }
  dom::object object;
  if (value.get_object().get(object) != simdjson::SUCCESS) return;
  for (const dom::key_value_pair member : object) {
    if (member.key.empty() || member.key.find_first_of(".[]") != std::string_view::npos) continue;
    if (size + 1 + member.key.size() > kMaxJsonPathBytes) continue;
    if (!path.empty()) path += '.';
    path += member.key;
    Collect(member.value, path, strings);
    path.resize(size);
  }
}

}  // namespace

std::vector<std::string> JsonCut(std::string_view utf8, const std::vector<JsonStep>& path) {
  std::vector<std::string> picked;
  WithFirstValue(utf8, [&](dom::element value, std::size_t) { Pick(value, path, 0, picked); });
  return picked;
}

std::vector<std::pair<std::string, std::string>> JsonStrings(std::string_view utf8,
                                                             std::size_t* start) {
  std::vector<std::pair<std::string, std::string>> strings;
  WithFirstValue(utf8, [&](dom::element value, std::size_t begins) {
    if (start) *start = begins;
    std::string path;
    Collect(value, path, strings);
  });
  return strings;
}

}  // namespace kestrilo
