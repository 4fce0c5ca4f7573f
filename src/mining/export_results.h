#pragma once

#include "mining/mining_window.h"
#include "runtime/controls.h"

namespace kestrilo {

// The export button's job: write the result box, as it stands, to a text
// file chosen in `dialog`. The bytes are the box's GBK text with "\r\n"
// between lines and nothing added at the end.
void ExportResults(MiningWindow& window, FileDialog& dialog);

}  // namespace kestrilo
