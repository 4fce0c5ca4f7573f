# cmake -DFOLDER=recipes -DSETS=builtin,current,extra -DOUTPUT=file.cpp -P embed_recipes.cmake
# Writes a C++ file whose ShippedRecipeText(NAME) returns the bytes of
# FOLDER/NAME.toml for each NAME of SETS, and whose ShippedSetNames() lists
# SETS in the order given. SETS is comma-separated: a ';' would not survive
# being passed through add_custom_command.
string(REPLACE "," ";" sets "${SETS}")
set(arrays "")
set(lookups "")
set(names "")
set(index 0)
foreach(set IN LISTS sets)
  file(READ "${FOLDER}/${set}.toml" content HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
  # The closing 0 keeps an empty file from being an empty array, which C++
  # does not allow; it is not part of the text.
  string(APPEND arrays "constexpr unsigned char kSet${index}[] = {\n${bytes}0};\n")
  string(APPEND lookups "  if (set_name == \"${set}\") {
    return std::string_view(reinterpret_cast<const char*>(kSet${index}), sizeof kSet${index} - 1);
  }\n")
  string(APPEND names "\"${set}\",")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}" "// Generated from the recipe files of ${FOLDER}; edit those instead.
#include \"mining/recipe_set.h\"

namespace kestrilo {
namespace {
${arrays}}  // namespace

const std::vector<std::string>& ShippedSetNames() {
  static const std::vector<std::string> names{${names}};
  return names;
}

std::optional<std::string_view> ShippedRecipeText(std::string_view set_name) {
${lookups}  return std::nullopt;
}

}  // namespace kestrilo
")
