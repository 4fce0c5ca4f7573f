#include "cli/terminal_text.h"

namespace kestrilo {

std::string ForTerminal(std::string_view utf8, bool line_breaks) {
  std::string shown;
  shown.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    const bool control = static_cast<unsigned char>(c) < 0x20 && c != '\t';
    const bool line_break =
        line_breaks && (c == '\n' || (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n'));
    shown += control && !line_break ? '?' : c;
  }
  return shown;
}

}  // namespace kestrilo
