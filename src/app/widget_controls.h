#pragma once

// The program's control interfaces over Qt widgets. The adapters hold a
// pointer to a widget of a declared window and live as long as it.

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QValidator>
#include <algorithm>

#include "runtime/controls.h"

namespace kestrilo {

// A single-line edit box. The program's writes never raise the box's
// content-changed event (QLineEdit::textEdited), only the user's edits do.
class LineEditBox final : public EditBox {
 public:
  explicit LineEditBox(QLineEdit* edit) : edit_(edit) {}
  Text Content() const override;
  void SetContent(const Text& text) override;
  void InsertAtEnd(const Text& text) override;

 private:
  QLineEdit* edit_;
};

// A multi-line edit box; "\r\n" in the program, "\n" in the widget. The
// widget cannot tell a lone "\n" or "\r" inside a keyword from a line
// break, so the box keeps the program's own text beside it for as long as
// the user has not edited the widget.
class PlainEditBox final : public EditBox {
 public:
  explicit PlainEditBox(QPlainTextEdit* edit) : edit_(edit) {}
  Text Content() const override;
  void SetContent(const Text& text) override;
  void InsertAtEnd(const Text& text) override;

 private:
  bool OwnTextShown() const;

  QPlainTextEdit* edit_;
  Text own_text_;
  int own_revision_ = -1;  // the document's revision after the last write here
};

// Keeps a line edit's text to what GBK can hold, as the program will read
// it: a character GBK lacks becomes "?" as it is typed or pasted.
class GbkValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& position) const override;
};

// QProgressBar ignores a value outside its range; a progress control shows
// it clamped, so the adapter clamps.
class WidgetProgressBar final : public ProgressBar {
 public:
  explicit WidgetProgressBar(QProgressBar* bar) : bar_(bar) {}
  int Position() const override { return bar_->value(); }
  void SetPosition(int position) override;
  int Maximum() const override { return bar_->maximum(); }
  void SetMaximum(int maximum) override { bar_->setMaximum(std::max(maximum, bar_->minimum())); }

 private:
  QProgressBar* bar_;
};

class WidgetButton final : public Button {
 public:
  explicit WidgetButton(QPushButton* button) : button_(button) {}
  Text Caption() const override;
  void SetCaption(const Text& caption) override;
  bool IsEnabled() const override { return button_->isEnabled(); }
  void SetEnabled(bool enabled) override { button_->setEnabled(enabled); }

 private:
  QPushButton* button_;
};

}  // namespace kestrilo
