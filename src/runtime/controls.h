#pragma once

// The controls that program logic reads and writes, as interfaces: the Qt
// windows implement them with widgets, the command line and the tests in
// memory. Texts are GBK; line ends inside an edit box are "\r\n".

#include <optional>
#include <string>

#include "runtime/types.h"

namespace kestrilo {

class EditBox {
 public:
  virtual ~EditBox() = default;
  virtual Text Content() const = 0;
  virtual void SetContent(const Text& text) = 0;
  // Puts the caret at the end, scrolls it into view and inserts `text` there.
  virtual void InsertAtEnd(const Text& text) = 0;
};

class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual int Position() const = 0;
  virtual void SetPosition(int position) = 0;
  virtual int Maximum() const = 0;
  // A position past the new maximum is pulled back to it.
  virtual void SetMaximum(int maximum) = 0;
};

class Button {
 public:
  virtual ~Button() = default;
  virtual Text Caption() const = 0;
  virtual void SetCaption(const Text& caption) = 0;
  virtual bool IsEnabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

enum class StatusPartStyle { kSunken, kNoBorder, kRaised };

struct StatusPart {
  Text text{};
  int width = 50;  // pixels; -1 reaches to the right edge
  Text tip{};
  int icon = -1;  // index into the bar's image list; -1 none
  StatusPartStyle style = StatusPartStyle::kSunken;
};

class StatusBar {
 public:
  virtual ~StatusBar() = default;
  // Appends a part at the right end; returns its 0-based index.
  virtual int AddPart(const StatusPart& part) = 0;
  virtual void SetPartText(int index, const Text& text) = 0;
};

// A save or open dialog as the program drives it: its settings live with
// the control, the program only shows it and reads the chosen name.
class FileDialog {
 public:
  virtual ~FileDialog() = default;
  // True when the user confirmed a file name.
  virtual bool Show() = 0;
  // The last confirmed name (GBK, full path); empty before the first.
  virtual Text FileName() const = 0;
  // The same name as the file system spells it, for opening the file: a
  // name GBK cannot hold would lose characters in FileName().
  virtual std::string FilePath() const;
};

inline bool FileDialogShow(FileDialog& dialog) { return dialog.Show(); }

// Appends each text in turn at the end of the box's content.
template <typename... Texts>
void EditAppend(EditBox& box, const Texts&... texts) {
  (box.InsertAtEnd(Text(texts)), ...);
}

// Width absent: 50, clamped to at least -1; icon absent: -1; style 1 draws no
// border, 2 raised, anything else sunken.
int StatusBarAddPart(StatusBar& bar, const std::optional<Text>& text = {},
                     std::optional<int> width = {}, const std::optional<Text>& tip = {},
                     std::optional<int> icon = {}, std::optional<int> style = {});
void StatusBarSetText(StatusBar& bar, int index, const Text& text);

}  // namespace kestrilo
