#pragma once

namespace kestrilo {

// Qt's own texts (message-box and dialog buttons, the file dialog and its
// overwrite question) in Chinese, whatever the system's locale: every other
// text of the program is Chinese too. Needs the application object; false
// when the translations are not installed.
bool InstallChineseQtTranslations();

}  // namespace kestrilo
