#include "app/form_builder.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/browser_control.h"
#include "app/file_dialog_control.h"
#include "app/hyperlink_label.h"
#include "app/qt_text.h"
#include "app/status_bar_control.h"
#include "app/timer_control.h"
#include "app/widget_controls.h"

namespace kestrilo {
namespace {

QWidget* Create(const forms::ControlForm& control, QWidget* parent) {
  using K = forms::ControlKind;
  const QString caption = QStringFromUtf8(control.caption);
  switch (control.kind) {
    case K::kGroupBox: return new QGroupBox(caption, parent);
    case K::kLineEdit: {
      auto* edit = new QLineEdit(parent);
      edit->setText(caption);
      if (control.gbk_only) edit->setValidator(new GbkValidator(edit));
      return edit;
    }
    case K::kMultiLineEdit: {
      auto* edit = new QPlainTextEdit(parent);
      edit->setLineWrapMode(QPlainTextEdit::NoWrap);
      edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      // Tab leaves the list rather than landing in it as a character.
      edit->setTabChangesFocus(true);
      return edit;
    }
    case K::kButton: {
      auto* button = new QPushButton(caption, parent);
      button->setDefault(control.default_button);
      button->setAutoDefault(control.default_button);
      return button;
    }
    case K::kLabel: return new QLabel(caption, parent);
    case K::kProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setRange(0, control.maximum);
      bar->setValue(0);
      bar->setTextVisible(false);
      return bar;
    }
    case K::kStatusBar: return new StatusBarControl(parent);
    case K::kTimer: {
      auto* timer = new TimerControl(parent);
      timer->setInterval(control.interval_ms);
      timer->setRunning(true);
      return timer;
    }
    case K::kFileDialog: {
      auto* dialog = new FileDialogControl(parent);
      dialog->setProperty("dialogType", 1);  // save
      dialog->setProperty("filter", QStringFromUtf8(control.filter));
      dialog->setProperty("filterIndex", 0);
      dialog->setProperty("defaultExtension", QStringFromUtf8(control.default_extension));
      return dialog;
    }
    case K::kHyperlink: {
      auto* link = new HyperlinkLabel(parent);
      link->setText(caption);
      return link;
    }
    case K::kBrowser: return new BrowserControl(parent);
  }
  return nullptr;
}

}  // namespace

void BuildForm(QWidget& window, const forms::WindowForm& form) {
  window.setObjectName(QStringFromUtf8(form.name));
  window.setWindowTitle(QStringFromUtf8(form.caption));
  window.setFixedSize(form.client_width, form.client_height);
  for (const forms::ControlForm& control : form.controls) {
    QWidget* parent = &window;
    if (!control.parent.empty()) parent = &FormControl<QWidget>(window, control.parent);
    QWidget* widget = Create(control, parent);
    widget->setObjectName(QStringFromUtf8(control.name));
    const forms::Rect& at = control.geometry;
    widget->setGeometry(at.x, at.y, at.width, at.height);
    if (control.font_pixels > 0) {
      // Set here rather than through a style sheet, which would bring the
      // style-sheet machinery into the start for one font.
      QFont font = widget->font();
      font.setPixelSize(control.font_pixels);
      font.setWeight(QFont::Normal);
      widget->setFont(font);
    }
  }
}

}  // namespace kestrilo
