#include "mining/recipe_file.h"

#include <algorithm>
#include <initializer_list>
#include <set>
#include <sstream>

#include <toml++/toml.h>

#include "runtime/gbk.h"
#include "web/request_headers.h"

namespace kestrilo {
namespace {

constexpr int kMaxPauseMs = 60'000;

// Thrown inside this file only, to leave a deeply nested check at once.
struct Fault {
  int line;
  std::string key;
  std::string message;
};

int LineOf(const toml::node& node) { return static_cast<int>(node.source().begin.line); }

// A table's keys must all be known: a misspelt optional key would
// otherwise be ignored without a word.
void RefuseUnknownKeys(const toml::table& table, std::initializer_list<std::string_view> known,
                       const std::string& prefix) {
  for (const auto& [key, value] : table) {
    bool is_known = false;
    for (std::string_view name : known) is_known = is_known || key.str() == name;
    if (!is_known) {
      throw Fault{LineOf(value), prefix + std::string(key.str()), "unknown key"};
    }
  }
}

// A name is shown on terminals and in the window, where a control
// character (C0, DEL, or C1 as UTF-8 writes it) could act rather than show.
bool HasControlCharacter(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x20 || byte == 0x7F) return true;
    if (byte == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) < 0xA0)
      return true;
  }
  return false;
}

const char* KindName(const toml::node& node) {
  switch (node.type()) {
    case toml::node_type::string: return "a string";
    case toml::node_type::integer: return "an integer";
    case toml::node_type::floating_point: return "a number";
    case toml::node_type::boolean: return "true or false";
    case toml::node_type::array: return "an array";
    case toml::node_type::table: return "a table";
    default: return "a date or time";
  }
}

class TableReader {
 public:
  TableReader(const toml::table& table, std::string prefix)
      : table_(table), prefix_(std::move(prefix)) {}

  bool Has(std::string_view key) const { return table_.contains(key); }
  int Line() const { return LineOf(table_); }

  const toml::node& Required(std::string_view key) const {
    const toml::node* node = table_.get(key);
    if (!node) throw Fault{Line(), Key(key), "missing"};
    return *node;
  }

  std::string String(std::string_view key) const {
    const toml::node& node = Required(key);
    if (!node.is_string()) throw WrongType(key, node, "a string");
    return std::string(*node.value<std::string_view>());
  }

  // A string that must become GBK without loss: markers are compared byte
  // for byte, and a "?" put in by the conversion would match the wrong text.
  Text Gbk(std::string_view key, const toml::node& node) const {
    const std::string utf8(*node.value<std::string_view>());
    Text gbk = GbkFromUtf8(utf8);
    if (Utf8FromGbk(gbk) != utf8) {
      throw Fault{LineOf(node), Key(key), "holds characters GBK cannot represent"};
    }
    return gbk;
  }

  std::string OneOf(std::string_view key, std::initializer_list<std::string_view> choices) const {
    const std::string value = String(key);
    std::string listed;
    for (std::string_view choice : choices) {
      if (value == choice) return value;
      listed += (listed.empty() ? "\"" : ", \"") + std::string(choice) + "\"";
    }
    throw Fault{LineOf(Required(key)), Key(key), "is \"" + value + "\"; expected one of " + listed};
  }

  bool Bool(std::string_view key, bool absent) const {
    if (!Has(key)) return absent;
    const toml::node& node = Required(key);
    if (!node.is_boolean()) throw WrongType(key, node, "true or false");
    return *node.value<bool>();
  }

  int Integer(std::string_view key, int absent, int minimum, int maximum) const {
    if (!Has(key)) return absent;
    const toml::node& node = Required(key);
    if (!node.is_integer()) throw WrongType(key, node, "an integer");
    const std::int64_t value = *node.value<std::int64_t>();
    if (value < minimum || value > maximum) {
      throw Fault{LineOf(node), Key(key),
                  "is " + std::to_string(value) + "; expected " + std::to_string(minimum) + " to " +
                      std::to_string(maximum)};
    }
    return static_cast<int>(value);
  }

  // An array of strings; none when the key is absent.
  std::vector<std::string> Strings(std::string_view key) const {
    if (!Has(key)) return {};
    const toml::node& node = Required(key);
    const toml::array* array = node.as_array();
    if (!array || !array->is_homogeneous(toml::node_type::string)) {
      throw Fault{LineOf(node), Key(key), "must be an array of strings"};
    }
    std::vector<std::string> strings;
    for (const toml::node& element : *array) strings.emplace_back(*element.value<std::string>());
    return strings;
  }

  // Two non-empty strings: a left and a right marker.
  MarkerPair Markers(std::string_view key) const {
    const toml::node& node = Required(key);
    const toml::array* array = node.as_array();
    if (!array || array->size() != 2 || !(*array)[0].is_string() || !(*array)[1].is_string()) {
      throw Fault{LineOf(node), Key(key), "must be two strings: a left and a right marker"};
    }
    MarkerPair pair{Gbk(key, (*array)[0]), Gbk(key, (*array)[1])};
    if (pair.left.empty() || pair.right.empty()) {
      throw Fault{LineOf(node), Key(key),
                  std::string(pair.left.empty() ? "the left" : "the right") + " marker is empty"};
    }
    return pair;
  }

  Text Marker(std::string_view key) const {
    const toml::node& node = Required(key);
    if (!node.is_string()) throw WrongType(key, node, "a string");
    Text marker = Gbk(key, node);
    if (marker.empty()) throw Fault{LineOf(node), Key(key), "is empty"};
    return marker;
  }

  // An http or https address whose only placeholders are those allowed.
  AddressTemplate Address(std::string_view key, bool page_allowed) const {
    const toml::node& node = Required(key);
    if (!node.is_string()) throw WrongType(key, node, "a string");
    const Text text = Gbk(key, node);
    if (!text.starts_with("http://") && !text.starts_with("https://")) {
      throw Fault{LineOf(node), Key(key), "must start with http:// or https://"};
    }
    std::vector<AddressTemplate::Piece> pieces;
    std::size_t from = 0;
    while (from < text.size()) {
      const std::size_t open = text.find('{', from);
      if (open == Text::npos) {
        pieces.push_back({AddressTemplate::Slot::kText, text.substr(from)});
        break;
      }
      if (open > from)
        pieces.push_back({AddressTemplate::Slot::kText, text.substr(from, open - from)});
      const std::size_t close = text.find('}', open);
      const std::string name =
          close == Text::npos ? text.substr(open) : text.substr(open, close - open + 1);
      if (name == "{seed}") {
        pieces.push_back({AddressTemplate::Slot::kSeed, {}});
      } else if (name == "{page}" && page_allowed) {
        pieces.push_back({AddressTemplate::Slot::kPage, {}});
      } else {
        throw Fault{LineOf(node), Key(key),
                    "has " + Utf8FromGbk(name) + "; the placeholders are {seed}" +
                        (page_allowed ? " and {page}" : "")};
      }
      // Anything a placeholder puts before the path decides where the
      // request goes: a keyword from the web would become a host to
      // connect to.
      if (open < text.find_first_of("/?#", text.find("://") + 3)) {
        throw Fault{LineOf(node), Key(key),
                    "has " + Utf8FromGbk(name) +
                        " before the path; the scheme and host must be written out"};
      }
      from = close + 1;
    }
    AddressTemplate address(std::move(pieces));
    if (!address.Has(AddressTemplate::Slot::kSeed)) {
      throw Fault{LineOf(node), Key(key), "has no {seed}; every seed would ask the same page"};
    }
    return address;
  }

  const toml::table& Table() const { return table_; }
  std::string Key(std::string_view key) const { return prefix_ + std::string(key); }

 private:
  Fault WrongType(std::string_view key, const toml::node& node, const char* wanted) const {
    return Fault{LineOf(node), Key(key),
                 std::string("is ") + KindName(node) + "; expected " + wanted};
  }

  const toml::table& table_;
  std::string prefix_;
};

// A header line as the engines take them: a name, a colon, a value, and
// nothing that would end the line early. The name is spelt as the engines
// spell their defaults ("referer" -> "Referer"), so that it replaces the
// default of that name, which one engine looks for in exact case.
Text HeaderLine(const TableReader& source, const std::string& line) {
  const int at = LineOf(source.Required("headers"));
  if (line.find_first_of("\r\n") != std::string::npos) {
    throw Fault{at, "headers",
                "\"" + line.substr(0, line.find_first_of("\r\n")) + "...\" holds a line break"};
  }
  const std::size_t colon = line.find(':');
  if (colon == std::string::npos || colon == 0 || line.find_first_of(" \t") < colon) {
    throw Fault{at, "headers", "\"" + line + "\" is no \"Name: value\" line"};
  }
  if (HasControlCharacter(line)) throw Fault{at, "headers", "holds a control character"};
  const Text gbk = GbkFromUtf8(line);
  if (Utf8FromGbk(gbk) != line) throw Fault{at, "headers", "holds characters GBK cannot represent"};
  return NormalizeHeaders(gbk);
}

RecipeCut ReadCut(const TableReader& cut) {
  RefuseUnknownKeys(cut.Table(), {"list", "items", "json", "split", "within", "unescape", "remove"},
                    "cut.");
  RecipeCut result;
  const int kinds = int{cut.Has("list")} + int{cut.Has("items")} + int{cut.Has("json")};
  if (kinds != 1) {
    throw Fault{cut.Line(), "cut",
                "needs exactly one of list = [L, R], items = [L, R] or json = \"PATH\""};
  }
  if (cut.Has("list")) {
    result.kind = RecipeCut::Kind::kList;
    result.markers = cut.Markers("list");
    result.split = cut.Marker("split");
  } else if (cut.Has("items")) {
    result.kind = RecipeCut::Kind::kItems;
    result.markers = cut.Markers("items");
  } else {
    result.kind = RecipeCut::Kind::kJson;
    const std::string path = cut.String("json");
    std::string error;
    const std::optional<std::vector<JsonStep>> steps = ParseJsonPath(path, error);
    if (!steps) throw Fault{LineOf(cut.Required("json")), "cut.json", error};
    result.json = *steps;
    // JSON has escapes of its own, which the parser decodes.
    if (cut.Has("unescape")) {
      throw Fault{LineOf(cut.Required("unescape")), "cut.unescape",
                  "does not go with json: JSON escapes are always decoded"};
    }
  }
  if (result.kind != RecipeCut::Kind::kList && cut.Has("split")) {
    throw Fault{LineOf(cut.Required("split")), "cut.split", "belongs to a list cut only"};
  }
  if (cut.Has("within")) result.within = cut.Markers("within");
  result.unescape = cut.Bool("unescape", false);
  result.remove = cut.Strings("remove");
  for (const std::string& removed : result.remove) {
    if (removed.empty()) throw Fault{LineOf(cut.Required("remove")), "cut.remove", "holds \"\""};
  }
  return result;
}

RecipePages ReadPages(const TableReader& source) {
  const toml::node& node = source.Required("pages");
  const toml::table* table = node.as_table();
  if (!table) {
    throw Fault{LineOf(node), "pages", std::string("is ") + KindName(node) + "; expected a table"};
  }
  RefuseUnknownKeys(*table, {"count", "address", "max"}, "pages.");
  const TableReader pages(*table, "pages.");
  RecipePages result;
  result.count = pages.Markers("count");
  result.address = pages.Address("address", true);
  if (!result.address.Has(AddressTemplate::Slot::kPage)) {
    throw Fault{LineOf(pages.Required("address")), "pages.address", "has no {page}"};
  }
  result.max = pages.Integer("max", kMaxPages, 1, kMaxPages);
  return result;
}

SourceRecipe ReadRecipe(const TableReader& source, const std::string& file_name) {
  RefuseUnknownKeys(source.Table(),
                    {"name", "title", "enabled", "engine", "address", "seed", "reply", "pause_ms",
                     "headers", "pages", "cut"},
                    "");
  SourceRecipe recipe;
  recipe.name = source.String("name");
  recipe.title = source.Has("title") ? source.String("title") : recipe.name;
  if (recipe.title.empty() || HasControlCharacter(recipe.title)) {
    throw Fault{LineOf(source.Required("title")), "title",
                recipe.title.empty() ? "is empty" : "holds a control character"};
  }
  recipe.enabled = source.Bool("enabled", true);
  recipe.file = file_name;
  recipe.line = source.Line();
  recipe.engine =
      source.OneOf("engine", {"web", "inet"}) == "web" ? RecipeEngine::kWeb : RecipeEngine::kInet;
  recipe.address = source.Address("address", false);
  const std::string seed = source.OneOf("seed", {"gbk", "uri", "uri-component"});
  recipe.seed = seed == "gbk"   ? SeedForm::kGbk
                : seed == "uri" ? SeedForm::kUri
                                : SeedForm::kUriComponent;
  recipe.reply =
      source.OneOf("reply", {"gbk", "utf-8"}) == "gbk" ? ReplyForm::kGbk : ReplyForm::kUtf8;
  recipe.pause_ms = source.Integer("pause_ms", 0, 0, kMaxPauseMs);
  for (const std::string& line : source.Strings("headers")) {
    recipe.headers.push_back(HeaderLine(source, line));
  }
  if (source.Has("pages")) recipe.pages = ReadPages(source);

  const toml::node& cuts = source.Required("cut");
  const toml::array* array = cuts.as_array();
  if (!array || array->empty() || !array->is_array_of_tables()) {
    throw Fault{LineOf(cuts), "cut", "must be one or more [[source.cut]] tables"};
  }
  for (const toml::node& cut : *array) {
    recipe.cuts.push_back(ReadCut(TableReader(*cut.as_table(), "cut.")));
  }
  return recipe;
}

RecipeEntry ReadEntry(const toml::table& table, const std::string& file_name) {
  const TableReader source(table, "");
  const std::string name = source.String("name");
  if (name.empty()) throw Fault{LineOf(source.Required("name")), "name", "is empty"};
  if (HasControlCharacter(name)) {
    throw Fault{LineOf(source.Required("name")), "name", "holds a control character"};
  }
  // Only a name and "enabled = false": the source of that name is left out.
  if (table.size() == 2 && source.Has("enabled") && !source.Bool("enabled", true)) {
    RecipeEntry entry{{}, true};
    entry.recipe.name = name;
    entry.recipe.enabled = false;
    entry.recipe.file = file_name;
    entry.recipe.line = source.Line();
    return entry;
  }
  return {ReadRecipe(source, file_name), false};
}

}  // namespace

std::optional<std::vector<JsonStep>> ParseJsonPath(std::string_view path, std::string& error) {
  std::vector<JsonStep> steps;
  std::size_t at = 0;
  const auto fail = [&](const std::string& why) {
    error = "\"" + std::string(path) + "\": " + why;
    return std::nullopt;
  };
  if (path.empty()) return fail("is empty");
  while (at < path.size()) {
    if (path[at] == '[') {
      const std::size_t close = path.find(']', at);
      if (close == std::string_view::npos) return fail("a [ without its ]");
      const std::string_view inside = path.substr(at + 1, close - at - 1);
      if (inside.empty()) {
        steps.push_back({JsonStep::Kind::kEach, {}, 0});
      } else {
        std::size_t index = 0;
        for (const char c : inside) {
          if (c < '0' || c > '9' || index > 1'000'000) return fail("[N] wants a number");
          index = index * 10 + static_cast<std::size_t>(c - '0');
        }
        steps.push_back({JsonStep::Kind::kIndex, {}, index});
      }
      at = close + 1;
      continue;
    }
    // A member: after a "." unless it opens the path.
    if (path[at] == '.') {
      if (at == 0 || at + 1 == path.size()) return fail("a . with no member name beside it");
      ++at;
    } else if (at != 0) {
      return fail("members are joined by .");
    }
    const std::size_t end = std::min(path.find_first_of(".[", at), path.size());
    if (end == at) return fail("a member name is empty");
    steps.push_back({JsonStep::Kind::kMember, std::string(path.substr(at, end - at)), 0});
    at = end;
  }
  return steps;
}

std::string JsonPathText(const std::vector<JsonStep>& steps) {
  std::string path;
  for (const JsonStep& step : steps) {
    switch (step.kind) {
      case JsonStep::Kind::kMember: path += (path.empty() ? "" : ".") + step.name; break;
      case JsonStep::Kind::kEach: path += "[]"; break;
      case JsonStep::Kind::kIndex: path += "[" + std::to_string(step.index) + "]"; break;
    }
  }
  return path;
}

namespace {

std::string AddressText(const AddressTemplate& address) {
  std::string text;
  for (const AddressTemplate::Piece& piece : address.Pieces()) {
    switch (piece.slot) {
      case AddressTemplate::Slot::kText: text += Utf8FromGbk(piece.text); break;
      case AddressTemplate::Slot::kSeed: text += "{seed}"; break;
      case AddressTemplate::Slot::kPage: text += "{page}"; break;
    }
  }
  return text;
}

toml::array MarkersArray(const MarkerPair& markers) {
  return toml::array{Utf8FromGbk(markers.left), Utf8FromGbk(markers.right)};
}

toml::table CutTable(const RecipeCut& cut) {
  toml::table table;
  switch (cut.kind) {
    case RecipeCut::Kind::kList:
      table.insert("list", MarkersArray(cut.markers));
      table.insert("split", Utf8FromGbk(cut.split));
      break;
    case RecipeCut::Kind::kItems: table.insert("items", MarkersArray(cut.markers)); break;
    case RecipeCut::Kind::kJson: table.insert("json", JsonPathText(cut.json)); break;
  }
  if (cut.within) table.insert("within", MarkersArray(*cut.within));
  if (cut.unescape) table.insert("unescape", true);
  if (!cut.remove.empty()) {
    toml::array removed;
    for (const std::string& text : cut.remove) removed.push_back(text);
    table.insert("remove", std::move(removed));
  }
  return table;
}

toml::table SourceTable(const SourceRecipe& recipe) {
  toml::table table;
  table.insert("name", recipe.name);
  if (!recipe.title.empty() && recipe.title != recipe.name) table.insert("title", recipe.title);
  table.insert("engine", recipe.engine == RecipeEngine::kWeb ? "web" : "inet");
  table.insert("address", AddressText(recipe.address));
  table.insert("seed", recipe.seed == SeedForm::kGbk   ? "gbk"
                       : recipe.seed == SeedForm::kUri ? "uri"
                                                       : "uri-component");
  table.insert("reply", recipe.reply == ReplyForm::kGbk ? "gbk" : "utf-8");
  if (recipe.pause_ms > 0) table.insert("pause_ms", recipe.pause_ms);
  if (!recipe.headers.empty()) {
    toml::array headers;
    for (const Text& line : recipe.headers) headers.push_back(Utf8FromGbk(line));
    table.insert("headers", std::move(headers));
  }
  if (recipe.pages) {
    toml::table pages;
    pages.insert("count", MarkersArray(recipe.pages->count));
    pages.insert("address", AddressText(recipe.pages->address));
    pages.insert("max", recipe.pages->max);
    table.insert("pages", std::move(pages));
  }
  toml::array cuts;
  for (const RecipeCut& cut : recipe.cuts) cuts.push_back(CutTable(cut));
  table.insert("cut", std::move(cuts));
  return table;
}

}  // namespace

std::string RecipeFileText(const std::vector<CommentedRecipe>& recipes) {
  std::ostringstream text;
  for (const CommentedRecipe& entry : recipes) {
    if (text.tellp() > 0) text << "\n";
    for (const std::string& line : entry.comment) text << "# " << line << "\n";
    // One [[source]] at a time, so that each keeps its comment above it.
    toml::table file;
    file.insert("source", toml::array{SourceTable(entry.recipe)});
    text << toml::toml_formatter(file) << "\n";
  }
  return text.str();
}

std::string RecipeError::Describe() const {
  std::string where = file;
  if (line > 0) where += ":" + std::to_string(line);
  std::string what;
  if (!source.empty()) what += "source \"" + source + "\"";
  if (!key.empty()) what += (what.empty() ? "" : ", ") + std::string("key \"") + key + "\"";
  return where + ": " + (what.empty() ? "" : what + ": ") + message;
}

RecipeFile ParseRecipeFile(std::string_view utf8, const std::string& file_name) {
  RecipeFile file;
  toml::table root;
  try {
    root = toml::parse(utf8, file_name);
  } catch (const toml::parse_error& error) {
    file.error = RecipeError{file_name, static_cast<int>(error.source().begin.line), "", "",
                             std::string(error.description())};
    return file;
  }
  std::string name;
  try {
    RefuseUnknownKeys(root, {"use", "source"}, "");
    const TableReader top(root, "");
    file.use = top.Strings("use");
    if (top.Has("use")) file.use_line = LineOf(top.Required("use"));
    const toml::node* sources = root.get("source");
    if (!sources) return file;
    const toml::array* array = sources->as_array();
    if (!array || !array->is_array_of_tables()) {
      throw Fault{LineOf(*sources), "source", "must be [[source]] tables"};
    }
    std::set<std::string> seen;
    for (const toml::node& table : *array) {
      name.clear();
      // A name that cannot be shown is not repeated in the error.
      if (const toml::node* given = table.as_table()->get("name");
          given && given->is_string() && !HasControlCharacter(*given->value<std::string_view>())) {
        name = *given->value<std::string>();
      }
      RecipeEntry entry = ReadEntry(*table.as_table(), file_name);
      if (!seen.insert(entry.recipe.name).second) {
        throw Fault{LineOf(table), "name", "is used by an earlier entry of this file"};
      }
      file.entries.push_back(std::move(entry));
    }
  } catch (const Fault& fault) {
    file.entries.clear();
    file.error = RecipeError{file_name, fault.line, fault.key, name, fault.message};
  }
  return file;
}

}  // namespace kestrilo
