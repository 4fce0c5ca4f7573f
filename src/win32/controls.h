#pragma once

// The controls the program logic drives (runtime/controls.h), over Win32
// controls a FormWindow created.

#include <windows.h>

#include <string>
#include <vector>

#include "runtime/controls.h"
#include "win32/form_window.h"

namespace kestrilo::win32 {

class EditControl final : public EditBox {
 public:
  EditControl(FormWindow& window, HWND edit) : window_(window), edit_(edit) {}
  Text Content() const override;
  void SetContent(const Text& text) override;
  void InsertAtEnd(const Text& text) override;

 private:
  FormWindow& window_;
  HWND edit_;
};

class ProgressControl final : public ProgressBar {
 public:
  explicit ProgressControl(HWND bar) : bar_(bar) {}
  int Position() const override;
  void SetPosition(int position) override;
  int Maximum() const override;
  void SetMaximum(int maximum) override;

 private:
  HWND bar_;
};

class ButtonControl final : public Button {
 public:
  explicit ButtonControl(HWND button) : button_(button) {}
  Text Caption() const override;
  void SetCaption(const Text& caption) override;
  bool IsEnabled() const override;
  void SetEnabled(bool enabled) override;

 private:
  HWND button_;
};

class StatusBarControl final : public StatusBar {
 public:
  explicit StatusBarControl(HWND bar) : bar_(bar) {}
  int AddPart(const StatusPart& part) override;
  void SetPartText(int index, const Text& text) override;

 private:
  void Apply();
  HWND bar_;
  std::vector<StatusPart> parts_;
};

// The save dialog: GetSaveFileNameW, insisting on an existing folder, with
// the declared filter and extension and the folder it starts in.
class SaveDialog final : public FileDialog {
 public:
  SaveDialog(HWND owner, std::wstring filter, std::wstring default_extension)
      : owner_(owner), filter_(std::move(filter)), extension_(std::move(default_extension)) {}
  void SetInitialFolder(std::wstring folder) { folder_ = std::move(folder); }
  bool Show() override;
  Text FileName() const override;
  std::string FilePath() const override;

 private:
  HWND owner_;
  std::wstring filter_;  // "name|pattern|..."
  std::wstring extension_;
  std::wstring folder_;
  std::wstring chosen_;
};

}  // namespace kestrilo::win32
