#include "app/status_bar_control.h"

#include <QPainter>
#include <algorithm>

#include "app/qt_text.h"

namespace kestrilo {
namespace {

// The clock's longest text, "2026年12月28日23时59分59秒", has to fit its
// 170 pixels: a slightly smaller face than the window's and a thin margin.
constexpr int kPartFontPixels = 11;
constexpr int kPartMargin = 2;

}  // namespace

StatusPartLabel::StatusPartLabel(const QString& text, int width, QWidget* parent)
    : QLabel(text, parent), width_(width) {
  QFont small = font();
  small.setPixelSize(kPartFontPixels);
  setFont(small);
  setMargin(0);
  setIndent(kPartMargin);
}

QString StatusPartLabel::ShownText() const {
  const int room = contentsRect().width() - 2 * kPartMargin;
  return fontMetrics().elidedText(text(), Qt::ElideRight, std::max(room, 0));
}

void StatusPartLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawFrame(&painter);
  const QRect area = contentsRect().adjusted(kPartMargin, 0, -kPartMargin, 0);
  painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, ShownText());
}

StatusBarControl::StatusBarControl(QWidget* parent) : QStatusBar(parent) {
  // The window has a fixed size: nothing to grip.
  setSizeGripEnabled(false);
}

int StatusBarControl::AddPart(const StatusPart& part) {
  auto* label = new StatusPartLabel(QStringFromGbk(part.text), part.width, this);
  label->setToolTip(QStringFromGbk(part.tip));
  switch (part.style) {
    case StatusPartStyle::kNoBorder: label->setFrameStyle(QFrame::NoFrame); break;
    case StatusPartStyle::kRaised: label->setFrameStyle(QFrame::Panel | QFrame::Raised); break;
    case StatusPartStyle::kSunken: label->setFrameStyle(QFrame::Panel | QFrame::Sunken); break;
  }
  // Placed by hand, as the status control places its parts: from the left,
  // each at its own width.
  label->show();
  parts_.push_back(label);
  FitParts();
  return static_cast<int>(parts_.size()) - 1;
}

void StatusBarControl::SetPartText(int index, const Text& text) {
  if (QLabel* label = Part(index)) label->setText(QStringFromGbk(text));
}

StatusPartLabel* StatusBarControl::Part(int index) const {
  if (index < 0 || index >= PartCount()) return nullptr;
  return parts_[static_cast<std::size_t>(index)];
}

void StatusBarControl::resizeEvent(QResizeEvent* event) {
  QStatusBar::resizeEvent(event);
  FitParts();
}

// Parts stand side by side from the left at their own widths (-1 reaches
// to the right edge); the one that would pass the right edge is cut there,
// and any behind it get nothing.
void StatusBarControl::FitParts() {
  constexpr int kGap = 2;
  const QRect area = contentsRect();
  int left = area.left();
  for (StatusPartLabel* part : parts_) {
    const int room = std::max(area.right() + 1 - left, 0);
    const int width = part->PartWidth() < 0 ? room : std::min(part->PartWidth(), room);
    part->setGeometry(left, area.top(), width, area.height());
    left += width + kGap;
  }
}

}  // namespace kestrilo
