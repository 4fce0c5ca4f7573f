#include "app/status_bar_control.h"

#include "app/qt_text.h"

namespace kestrilo {

StatusBarControl::StatusBarControl(QWidget* parent) : QStatusBar(parent) {
  // The window has a fixed size: nothing to grip.
  setSizeGripEnabled(false);
}

int StatusBarControl::AddPart(const StatusPart& part) {
  auto* label = new QLabel(QStringFromGbk(part.text), this);
  label->setToolTip(QStringFromGbk(part.tip));
  switch (part.style) {
    case StatusPartStyle::kNoBorder: label->setFrameStyle(QFrame::NoFrame); break;
    case StatusPartStyle::kRaised: label->setFrameStyle(QFrame::Panel | QFrame::Raised); break;
    case StatusPartStyle::kSunken: label->setFrameStyle(QFrame::Panel | QFrame::Sunken); break;
  }
  // -1 reaches to the right edge; other widths are the part's own.
  if (part.width < 0) {
    addWidget(label, 1);
  } else {
    label->setFixedWidth(part.width);
    addWidget(label);
  }
  parts_.push_back(label);
  return static_cast<int>(parts_.size()) - 1;
}

void StatusBarControl::SetPartText(int index, const Text& text) {
  if (QLabel* label = Part(index)) label->setText(QStringFromGbk(text));
}

QLabel* StatusBarControl::Part(int index) const {
  if (index < 0 || index >= PartCount()) return nullptr;
  return parts_[static_cast<std::size_t>(index)];
}

}  // namespace kestrilo
