#pragma once

// 状态条1: a status bar whose parts are added at run time, each a label of
// a fixed width from the left.

#include <QLabel>
#include <QStatusBar>
#include <vector>

#include "runtime/controls.h"

namespace kestrilo {

class StatusBarControl : public QStatusBar, public StatusBar {
  Q_OBJECT

 public:
  explicit StatusBarControl(QWidget* parent = nullptr);

  int AddPart(const StatusPart& part) override;
  void SetPartText(int index, const Text& text) override;

  int PartCount() const { return static_cast<int>(parts_.size()); }
  // Null for an index without a part.
  QLabel* Part(int index) const;

 private:
  std::vector<QLabel*> parts_;
};

}  // namespace kestrilo
