#include "mining/mining_window.h"

#include "runtime/ui_port.h"

namespace kestrilo {

void MiningWindow::ShowMessage(const Text& text) { MsgBox(text, kMbOk); }

}  // namespace kestrilo
