#include "forms/window_form.h"

namespace kestrilo::forms {

const ControlForm* WindowForm::Find(std::string_view control_name) const {
  for (const ControlForm& control : controls) {
    if (control.name == control_name) return &control;
  }
  return nullptr;
}

}  // namespace kestrilo::forms
