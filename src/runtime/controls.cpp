#include "runtime/controls.h"

#include <algorithm>

#include "runtime/gbk.h"

namespace kestrilo {

std::string FileDialog::FilePath() const { return Utf8FromGbk(FileName()); }

int StatusBarAddPart(StatusBar& bar, const std::optional<Text>& text, std::optional<int> width,
                     const std::optional<Text>& tip, std::optional<int> icon,
                     std::optional<int> style) {
  StatusPart part;
  part.text = text.value_or(Text{});
  part.width = std::max(width.value_or(50), -1);
  part.tip = tip.value_or(Text{});
  part.icon = icon.value_or(-1);
  switch (style.value_or(0)) {
    case 1: part.style = StatusPartStyle::kNoBorder; break;
    case 2: part.style = StatusPartStyle::kRaised; break;
    default: part.style = StatusPartStyle::kSunken; break;
  }
  return bar.AddPart(part);
}

void StatusBarSetText(StatusBar& bar, int index, const Text& text) { bar.SetPartText(index, text); }

}  // namespace kestrilo
