#pragma once

// 通用对话框1: an open or save dialog placed on a window like a control. Its
// settings are properties of the window's definition; showing it asks the
// user for a file and keeps the name.

#include <QFileDialog>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "runtime/controls.h"

namespace kestrilo {

class FileDialogControl : public QWidget, public FileDialog {
  Q_OBJECT
  // 0 open, 1 save; the font and colour kinds are not offered here.
  Q_PROPERTY(int dialogType MEMBER dialog_type_)
  Q_PROPERTY(QString title MEMBER title_)
  // Description and pattern pairs, every item followed by "|".
  Q_PROPERTY(QString filter MEMBER filter_)
  Q_PROPERTY(int filterIndex MEMBER filter_index_)
  Q_PROPERTY(QString initialDirectory MEMBER initial_directory_)
  Q_PROPERTY(QString defaultExtension MEMBER default_extension_)
  Q_PROPERTY(QString fileName MEMBER file_name_)

 public:
  // What the user answers: the chosen file's full path, or nothing for a
  // cancel. Tests answer through this instead of a real dialog.
  using AnswerHook = std::function<std::optional<QString>(const FileDialogControl&)>;
  static void SetAnswerHook(AnswerHook hook);

  explicit FileDialogControl(QWidget* parent = nullptr);

  bool Show() override;
  Text FileName() const override;
  std::string FilePath() const override;

  // The filter in QFileDialog's form, one entry per pair.
  QStringList NameFilters() const;

  // The dialog Show() runs, set up from the properties.
  std::unique_ptr<QFileDialog> MakeDialog() const;

 private:
  std::optional<QString> Ask() const;

  int dialog_type_ = 0;
  QString title_;
  QString filter_;
  int filter_index_ = 0;
  QString initial_directory_;
  QString default_extension_;
  QString file_name_;
};

}  // namespace kestrilo
