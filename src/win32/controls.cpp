#include "win32/controls.h"

#include <commctrl.h>
#include <commdlg.h>

#include "runtime/windows_text.h"
#include "win32/wide_text.h"

namespace kestrilo::win32 {
Text EditControl::Content() const { return GbkFromWide(WindowText(edit_)); }

void EditControl::SetContent(const Text& text) { window_.SetControlText(edit_, WideFromGbk(text)); }

void EditControl::InsertAtEnd(const Text& text) {
  const auto end = static_cast<WPARAM>(::GetWindowTextLengthW(edit_));
  ::SendMessageW(edit_, EM_SETSEL, end, static_cast<LPARAM>(end));
  const std::wstring wide = WideFromGbk(text);
  ::SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(wide.c_str()));
  ::SendMessageW(edit_, EM_SCROLLCARET, 0, 0);
}

int ProgressControl::Position() const {
  return static_cast<int>(::SendMessageW(bar_, PBM_GETPOS, 0, 0));
}

void ProgressControl::SetPosition(int position) {
  ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

int ProgressControl::Maximum() const {
  return static_cast<int>(::SendMessageW(bar_, PBM_GETRANGE, FALSE, 0));
}

void ProgressControl::SetMaximum(int maximum) {
  const int position = Position();
  ::SendMessageW(bar_, PBM_SETRANGE32, 0, maximum);
  if (position > maximum) SetPosition(maximum);
}

Text ButtonControl::Caption() const { return GbkFromWide(WindowText(button_)); }

void ButtonControl::SetCaption(const Text& caption) {
  ::SetWindowTextW(button_, WideFromGbk(caption).c_str());
}

bool ButtonControl::IsEnabled() const { return ::IsWindowEnabled(button_) != 0; }

void ButtonControl::SetEnabled(bool enabled) { ::EnableWindow(button_, enabled ? TRUE : FALSE); }

int StatusBarControl::AddPart(const StatusPart& part) {
  parts_.push_back(part);
  Apply();
  return static_cast<int>(parts_.size()) - 1;
}

void StatusBarControl::SetPartText(int index, const Text& text) {
  if (index < 0 || static_cast<std::size_t>(index) >= parts_.size()) return;
  parts_[static_cast<std::size_t>(index)].text = text;
  Apply();
}

void StatusBarControl::Apply() {
  std::vector<int> edges;
  int right = 0;
  for (const StatusPart& part : parts_) {
    right = part.width < 0 ? -1 : right + part.width;
    edges.push_back(right);
  }
  ::SendMessageW(bar_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  for (std::size_t i = 0; i < parts_.size(); ++i) {
    WPARAM style = i;
    if (parts_[i].style == StatusPartStyle::kNoBorder) style |= SBT_NOBORDERS;
    if (parts_[i].style == StatusPartStyle::kRaised) style |= SBT_POPOUT;
    const std::wstring text = WideFromGbk(parts_[i].text);
    ::SendMessageW(bar_, SB_SETTEXTW, style, reinterpret_cast<LPARAM>(text.c_str()));
  }
}

bool SaveDialog::Show() {
  // "name|pattern|" pairs become the dialog's "name\0pattern\0...\0".
  std::wstring filter = filter_;
  for (wchar_t& c : filter) {
    if (c == L'|') c = L'\0';
  }
  filter.push_back(L'\0');
  std::wstring name(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrInitialDir = folder_.empty() ? nullptr : folder_.c_str();
  dialog.lpstrDefExt = extension_.empty() ? nullptr : extension_.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (!::GetSaveFileNameW(&dialog)) return false;
  name.resize(name.find(L'\0'));
  chosen_ = name;
  return true;
}

Text SaveDialog::FileName() const { return GbkFromWide(chosen_); }

std::string SaveDialog::FilePath() const { return Utf8FromWide(chosen_); }

}  // namespace kestrilo::win32
