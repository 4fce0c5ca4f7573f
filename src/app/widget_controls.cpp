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

Text PlainEditBox::Content() const { return GbkLinesFromWidget(edit_->toPlainText()); }

void PlainEditBox::SetContent(const Text& text) { edit_->setPlainText(WidgetLinesFromGbk(text)); }

void PlainEditBox::InsertAtEnd(const Text& text) {
  edit_->moveCursor(QTextCursor::End);
  edit_->insertPlainText(WidgetLinesFromGbk(text));
  edit_->ensureCursorVisible();
}

void WidgetProgressBar::SetPosition(int position) {
  bar_->setValue(std::clamp(position, bar_->minimum(), bar_->maximum()));
}

Text WidgetButton::Caption() const { return GbkFromQString(button_->text()); }

void WidgetButton::SetCaption(const Text& caption) { button_->setText(QStringFromGbk(caption)); }

}  // namespace kestrilo
