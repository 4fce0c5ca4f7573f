#include "platform/user_folder.h"

#include <cstdlib>

#include "runtime/windows_text.h"

namespace kestrilo {

std::string UserConfigFolder() {
  const wchar_t* app_data = ::_wgetenv(L"APPDATA");
  if (app_data == nullptr || *app_data == L'\0') return {};
  return Utf8FromWide(app_data);
}

}  // namespace kestrilo
