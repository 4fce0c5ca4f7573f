#include "mining/keyword_source.h"

#include "runtime/ui_port.h"

namespace kestrilo {

void SourceContext::Append(const Text& text) {
  if (text.empty()) return;
  EditBox& box = window_.ResultBox();
  if (!appended_) {
    appended_ = true;
    const Text before = box.Content();
    if (!before.empty() && !before.ends_with("\r\n")) {
      EditAppend(box, "\r\n");
    }
  }
  EditAppend(box, text);
}

void SourceContext::Pause(int milliseconds) const { Delay(milliseconds); }

}  // namespace kestrilo
