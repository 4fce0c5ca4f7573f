#pragma once

// The mined list as it is written out: plain lines as the window exports
// them, CSV for spreadsheet programs, or JSON lines, each keyword with the
// source, seed and level that first found it.

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "cli/keyword_ledger.h"
#include "runtime/types.h"

namespace kestrilo {

// The keywords of a result list ("\r\n" between them), in order.
std::vector<Text> ListKeywords(const Text& list);

// The bytes to write. To standard output every format is UTF-8 with "\n"
// after each line, and control characters of lines and CSV fields show as
// "?" (JSON escapes them). To a file, lines are GBK (or UTF-8 when asked) with
// "\r\n" between them and none at the end; CSV is UTF-8 with a byte-order
// mark (or GBK without one when asked), CRLF after every record; JSON lines
// are UTF-8. A CSV field that a spreadsheet would take for a formula
// starts with "'".
std::string FormatList(const std::vector<Text>& keywords, const KeywordLedger& ledger,
                       ListFormat format, bool to_file, std::optional<bool> utf8);

}  // namespace kestrilo
