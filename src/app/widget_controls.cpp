#include "app/widget_controls.h"

#include <QScrollBar>
#include <QTextCursor>
#include <algorithm>

#include "app/qt_text.h"

namespace kestrilo {

Text LineEditBox::Content() const { return GbkFromQString(edit_->text()); }

void LineEditBox::SetContent(const Text& text) { edit_->setText(QStringFromGbk(text)); }

// QLineEdit::insert would count as the user's edit; setText does not.
void LineEditBox::InsertAtEnd(const Text& text) {
  edit_->setText(edit_->text() + QStringFromGbk(text));
  edit_->end(false);
}

bool PlainEditBox::OwnTextShown() const { return edit_->document()->revision() == own_revision_; }

Text PlainEditBox::Content() const {
  return OwnTextShown() ? own_text_ : GbkLinesFromWidget(edit_->toPlainText());
}

void PlainEditBox::SetContent(const Text& text) {
  edit_->setPlainText(WidgetLinesFromGbk(text));
  own_text_ = text;
  own_revision_ = edit_->document()->revision();
}

void PlainEditBox::InsertAtEnd(const Text& text) {
  if (!OwnTextShown()) own_text_ = GbkLinesFromWidget(edit_->toPlainText());
  edit_->moveCursor(QTextCursor::End);
  edit_->insertPlainText(WidgetLinesFromGbk(text));
  edit_->ensureCursorVisible();
  own_text_ += text;
  own_revision_ = edit_->document()->revision();
}

QValidator::State GbkValidator::validate(QString& input, int& position) const {
  const QString held = QStringFromGbk(GbkFromQString(input));
  if (held != input) {
    // A character GBK lacks may be two UTF-16 units and becomes one "?".
    position = static_cast<int>(QStringFromGbk(GbkFromQString(input.left(position))).size());
    input = held;
  }
  return Acceptable;
}

void WidgetProgressBar::SetPosition(int position) {
  bar_->setValue(std::clamp(position, bar_->minimum(), bar_->maximum()));
}

Text WidgetButton::Caption() const { return GbkFromQString(button_->text()); }

void WidgetButton::SetCaption(const Text& caption) { button_->setText(QStringFromGbk(caption)); }

}  // namespace kestrilo
