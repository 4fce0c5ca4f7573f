// JSON cuts over arbitrary replies: the first text is a path, the second the
// reply. Cutting never crashes or hangs, keeps its memory to the input's
// size, and picks from a reply that is one whole JSON value exactly the
// strings a walk over the parsed document picks.

#include <algorithm>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "mining/json_cut.h"
#include "mining/recipe_file.h"

#include "fuzz_input.h"

using namespace kestrilo;

namespace {

void Walk(const nlohmann::json& value, const std::vector<JsonStep>& path, std::size_t step,
          std::vector<std::string>& picked) {
  if (step == path.size()) {
    if (value.is_string()) picked.push_back(value.get<std::string>());
    return;
  }
  const JsonStep& wanted = path[step];
  if (wanted.kind == JsonStep::Kind::kMember) {
    if (!value.is_object()) return;
    // A member named twice: the parser keeps the last, the cut sees both.
    const auto found = value.find(wanted.name);
    if (found != value.end()) Walk(*found, path, step + 1, picked);
    return;
  }
  if (!value.is_array()) return;
  if (wanted.kind == JsonStep::Kind::kIndex) {
    if (wanted.index < value.size()) Walk(value[wanted.index], path, step + 1, picked);
    return;
  }
  for (const nlohmann::json& element : value) Walk(element, path, step + 1, picked);
}

std::size_t Members(const nlohmann::json& value) {
  std::size_t count = value.is_object() ? value.size() : 0;
  if (value.is_structured()) {
    for (const nlohmann::json& child : value) count += Members(child);
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > fuzz::kMaxInput) return -1;
  fuzz::FuzzInput in(data, size);
  const std::string_view path_text = in.NextText();
  const std::string_view reply = in.NextText();
  std::string error;
  const std::optional<std::vector<JsonStep>> path = ParseJsonPath(path_text, error);
  if (!path) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }

  const std::vector<std::string> picked = JsonCut(reply, *path);

  // Escapes only ever shrink: nothing taken is longer than the reply.
  std::size_t total = 0;
  for (const std::string& keyword : picked) total += keyword.size();
  FUZZ_CHECK(total <= reply.size());

  const std::size_t opened = static_cast<std::size_t>(std::count(reply.begin(), reply.end(), '[') +
                                                      std::count(reply.begin(), reply.end(), '{'));
  if (reply.empty() || (reply.front() != '{' && reply.front() != '[') || opened >= kMaxJsonDepth) {
    return 0;
  }
  std::size_t keys = 0;
  const nlohmann::json document = nlohmann::json::parse(
      reply,
      [&keys](int, nlohmann::json::parse_event_t event, nlohmann::json&) {
        keys += event == nlohmann::json::parse_event_t::key ? 1 : 0;
        return true;
      },
      false);
  // Objects with a repeated member differ on purpose (see Walk).
  if (document.is_discarded() || keys != Members(document)) return 0;
  std::vector<std::string> walked;
  Walk(document, *path, 0, walked);
  FUZZ_CHECK(walked == picked);
  return 0;
}
