#pragma once

// 状态条1: a status bar whose parts are added at run time, each a label of
// a fixed width from the left. A part that would reach past the right edge
// ends there, and a text too long for its part ends in "…".

#include <QLabel>
#include <QStatusBar>
#include <vector>

#include "runtime/controls.h"

namespace kestrilo {

// One part: its text drawn on one line, cut short with "…" when it does
// not fit.
class StatusPartLabel : public QLabel {
  Q_OBJECT

 public:
  StatusPartLabel(const QString& text, int width, QWidget* parent);
  int PartWidth() const { return width_; }
  // The text as drawn.
  QString ShownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int width_;
};

class StatusBarControl : public QStatusBar, public StatusBar {
  Q_OBJECT

 public:
  explicit StatusBarControl(QWidget* parent = nullptr);

  int AddPart(const StatusPart& part) override;
  void SetPartText(int index, const Text& text) override;

  int PartCount() const { return static_cast<int>(parts_.size()); }
  // Null for an index without a part.
  StatusPartLabel* Part(int index) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FitParts();

  std::vector<StatusPartLabel*> parts_;
};

}  // namespace kestrilo
