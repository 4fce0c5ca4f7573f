#include "forms/window_form.h"

namespace kestrilo::forms {
namespace {

constexpr ControlForm kControls[] = {
    {ControlKind::kBrowser, "超文本浏览框1", "", {0, 0, 616, 464}},
};

}  // namespace

const WindowForm& MessageWindowForm() {
  static const WindowForm form{"MessageWindow", "在线留言", 617, 465, kControls};
  return form;
}

}  // namespace kestrilo::forms
