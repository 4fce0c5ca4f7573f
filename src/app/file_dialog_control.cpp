#include "app/file_dialog_control.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include "app/qt_text.h"
#include "runtime/gbk.h"
#include "runtime/ui_port.h"

namespace kestrilo {
namespace {

FileDialogControl::AnswerHook& Hook() {
  static FileDialogControl::AnswerHook hook;
  return hook;
}

// Qt's own dialog takes a name in a folder that does not exist, and the
// write fails afterwards. The dialog says so instead and stays open.
class SavingFileDialog final : public QFileDialog {
 public:
  SavingFileDialog(QWidget* parent, const QString& title) : QFileDialog(parent, title) {
    setOption(QFileDialog::DontUseNativeDialog);
  }

 protected:
  void accept() override {
    const QStringList chosen = selectedFiles();
    if (acceptMode() == AcceptSave && !chosen.isEmpty()) {
      const QDir folder = QFileInfo(chosen.constFirst()).absoluteDir();
      if (!folder.exists()) {
        MsgBox("文件夹不存在："_gbk + GbkFromQString(QDir::toNativeSeparators(folder.path())) +
                   "\r\n请检查路径是否正确。"_gbk,
               kMbOk, {}, static_cast<std::uintptr_t>(winId()));
        return;
      }
    }
    QFileDialog::accept();
  }
};

}  // namespace

void FileDialogControl::SetAnswerHook(AnswerHook hook) { Hook() = std::move(hook); }

FileDialogControl::FileDialogControl(QWidget* parent) : QWidget(parent) { hide(); }

QStringList FileDialogControl::NameFilters() const {
  const QStringList items = filter_.split(QLatin1Char('|'), Qt::SkipEmptyParts);
  QStringList filters;
  for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
    const QString& description = items[i];
    const QString patterns = QString(items[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
    // QFileDialog reads the patterns from the last parentheses; a
    // description that already shows them is used as it is.
    filters << (description.endsWith(QLatin1Char(')')) &&
                        description.contains(QLatin1Char('(') + patterns + QLatin1Char(')'))
                    ? description
                    : description + QStringLiteral(" (") + patterns + QLatin1Char(')'));
  }
  return filters;
}

std::unique_ptr<QFileDialog> FileDialogControl::MakeDialog() const {
  auto dialog = std::make_unique<SavingFileDialog>(window(), title_);
  dialog->setAcceptMode(dialog_type_ == 1 ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  // Save: any name in an existing folder, and Qt asks before replacing a
  // file. Open: the file must exist.
  dialog->setFileMode(dialog_type_ == 1 ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QStringList filters = NameFilters();
  dialog->setNameFilters(filters);
  if (filter_index_ >= 0 && filter_index_ < filters.size()) {
    dialog->selectNameFilter(filters[filter_index_]);
  }
  QString suffix = default_extension_;
  if (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
  dialog->setDefaultSuffix(suffix);
  if (!initial_directory_.isEmpty()) dialog->setDirectory(initial_directory_);
  // The name chosen last time is proposed again.
  if (!file_name_.isEmpty()) dialog->selectFile(file_name_);
  return dialog;
}

std::optional<QString> FileDialogControl::Ask() const {
  if (Hook()) return Hook()(*this);
  const std::unique_ptr<QFileDialog> dialog = MakeDialog();
  if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return dialog->selectedFiles().constFirst();
}

bool FileDialogControl::Show() {
  if (dialog_type_ != 0 && dialog_type_ != 1) return false;
  const std::optional<QString> chosen = Ask();
  if (!chosen || chosen->isEmpty()) return false;
  file_name_ = *chosen;
  return true;
}

Text FileDialogControl::FileName() const { return GbkFromQString(file_name_); }

std::string FileDialogControl::FilePath() const {
  return QFile::encodeName(file_name_).toStdString();
}

}  // namespace kestrilo
