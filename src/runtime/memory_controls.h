#pragma once

// Controls that live in memory: the command line's window and the tests'.

#include <algorithm>
#include <vector>

#include "runtime/controls.h"

namespace kestrilo {

class MemoryEditBox : public EditBox {
 public:
  Text Content() const override { return content_; }
  void SetContent(const Text& text) override { content_ = text; }
  void InsertAtEnd(const Text& text) override { content_ += text; }

 private:
  Text content_;
};

// Positions outside the range are pulled into it, as a progress control does.
class MemoryProgressBar : public ProgressBar {
 public:
  MemoryProgressBar(int minimum, int maximum) : minimum_(minimum), maximum_(maximum) {}
  int Position() const override { return position_; }
  void SetPosition(int position) override { position_ = std::clamp(position, minimum_, maximum_); }
  int Maximum() const override { return maximum_; }
  void SetMaximum(int maximum) override {
    maximum_ = std::max(maximum, minimum_);
    position_ = std::clamp(position_, minimum_, maximum_);
  }

 private:
  int minimum_;
  int maximum_;
  int position_ = minimum_;
};

class MemoryButton : public Button {
 public:
  explicit MemoryButton(Text caption = {}) : caption_(std::move(caption)) {}
  Text Caption() const override { return caption_; }
  void SetCaption(const Text& caption) override { caption_ = caption; }
  bool IsEnabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }

 private:
  Text caption_;
  bool enabled_ = true;
};

class MemoryStatusBar : public StatusBar {
 public:
  int AddPart(const StatusPart& part) override {
    parts_.push_back(part);
    return static_cast<int>(parts_.size()) - 1;
  }
  // An index without a part is ignored, as the status control ignores it.
  void SetPartText(int index, const Text& text) override {
    if (index >= 0 && static_cast<std::size_t>(index) < parts_.size()) parts_[index].text = text;
  }
  const std::vector<StatusPart>& Parts() const { return parts_; }

 private:
  std::vector<StatusPart> parts_;
};

}  // namespace kestrilo
