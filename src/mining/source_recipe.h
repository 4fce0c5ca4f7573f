#pragma once

// A keyword source as data: where to ask, with which engine, how to read the
// reply and which markers cut the keywords out of it. Recipes come from
// TOML files (recipe_file.h); this header is all the rest of the program
// sees of them.

#include <optional>
#include <string>
#include <vector>

#include "runtime/types.h"

namespace kestrilo {

// However many pages a page count names, no paged source asks for more: a
// changed or hostile page could otherwise keep a run busy for days.
inline constexpr int kMaxPages = 500;

enum class RecipeEngine { kWeb, kInet };  // WebRequest, InetRequestText

// How the seed goes into the address: as typed (GBK bytes), or through
// UrlEncode in its encodeURI or encodeURIComponent mode.
enum class SeedForm { kGbk, kUri, kUriComponent };

// How the reply is read: as the engine returns it, or as UTF-8 to convert.
enum class ReplyForm { kGbk, kUtf8 };

// An address with the places where the seed and the page number go. Split
// once when the recipe is read, so that a seed holding "{page}" stays text.
class AddressTemplate {
 public:
  enum class Slot { kText, kSeed, kPage };
  struct Piece {
    Slot slot = Slot::kText;
    Text text;  // for kText
  };

  AddressTemplate() = default;
  explicit AddressTemplate(std::vector<Piece> pieces) : pieces_(std::move(pieces)) {}

  Text Fill(const Text& seed, int page = 0) const;
  bool Has(Slot slot) const;
  const std::vector<Piece>& Pieces() const { return pieces_; }

 private:
  std::vector<Piece> pieces_;
};

struct MarkerPair {
  Text left;  // GBK, never empty
  Text right;
};

// One step of a JSON cut's path: a member of an object, every element of
// an array, or one element of it (0-based).
struct JsonStep {
  enum class Kind { kMember, kEach, kIndex };
  Kind kind = Kind::kMember;
  std::string name;  // kMember, UTF-8
  std::size_t index = 0;
  friend bool operator==(const JsonStep&, const JsonStep&) = default;
};

// One cut of the reply. A list cut takes the text between its markers and
// splits it into lines, appended as one block; an items cut takes every
// piece between its markers, appended one by one; a JSON cut takes every
// string its path picks from the reply's first JSON value, one by one.
struct RecipeCut {
  enum class Kind { kList, kItems, kJson };
  Kind kind = Kind::kItems;
  MarkerPair markers;                // list and items cuts
  Text split;                        // list cuts: what separates two keywords
  std::vector<JsonStep> json;        // JSON cuts: the path, "g[].q" as steps
  std::optional<MarkerPair> within;  // narrow the reply to this section first
  bool unescape = false;             // decode "\u" escapes in what is appended
  // Deleted from what the cut takes, as the reply had them (UTF-8 here):
  // highlight marks, for one, which GBK cannot hold.
  std::vector<std::string> remove;
};

// A paged source: its first address only tells how many pages there are,
// then pages 1 to that count (capped at `max`) are asked in turn.
struct RecipePages {
  MarkerPair count;
  AddressTemplate address;
  int max = kMaxPages;
};

struct SourceRecipe {
  std::string name;   // UTF-8; unique within a set
  std::string title;  // UTF-8; what the window calls it; the name when not given
  bool enabled = true;
  RecipeEngine engine = RecipeEngine::kWeb;
  AddressTemplate address;
  SeedForm seed = SeedForm::kGbk;
  ReplyForm reply = ReplyForm::kGbk;
  int pause_ms = 0;  // after each keyword appended one by one
  // Header lines ("Name: value", GBK) sent with every request; one of them
  // takes the place of the engine's default of the same name.
  std::vector<Text> headers;
  std::optional<RecipePages> pages;
  std::vector<RecipeCut> cuts;
  // Where the recipe was read: a file and the line of its [[source]]; no
  // line for the built-ins.
  std::string file;
  int line = 0;

  // "built-in", or "FILE:LINE".
  std::string Origin() const;
};

}  // namespace kestrilo
