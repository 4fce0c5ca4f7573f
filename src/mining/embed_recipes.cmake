# cmake -DINPUT=recipes.toml -DOUTPUT=file.cpp -P embed_recipes.cmake
# Writes a C++ file whose BuiltInRecipeText() returns INPUT's bytes.
file(READ "${INPUT}" content HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
file(WRITE "${OUTPUT}" "// Generated from ${INPUT}; edit that file instead.
#include \"mining/recipe_set.h\"

namespace kestrilo {
namespace {
constexpr unsigned char kBytes[] = {
${bytes}};
}  // namespace

std::string_view BuiltInRecipeText() {
  return {reinterpret_cast<const char*>(kBytes), sizeof kBytes};
}

}  // namespace kestrilo
")
