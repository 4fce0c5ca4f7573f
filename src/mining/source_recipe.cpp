#include "mining/source_recipe.h"

#include <algorithm>

#include "runtime/conversion.h"

namespace kestrilo {

Text AddressTemplate::Fill(const Text& seed, int page) const {
  Text address;
  for (const Piece& piece : pieces_) {
    switch (piece.slot) {
      case Slot::kText: address += piece.text; break;
      case Slot::kSeed: address += seed; break;
      case Slot::kPage: address += ToText(page); break;
    }
  }
  return address;
}

bool AddressTemplate::Has(Slot slot) const {
  return std::any_of(pieces_.begin(), pieces_.end(),
                     [slot](const Piece& piece) { return piece.slot == slot; });
}

std::string SourceRecipe::Origin() const {
  return line > 0 ? file + ":" + std::to_string(line) : file;
}

}  // namespace kestrilo
