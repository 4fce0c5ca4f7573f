#pragma once

namespace kestrilo {

// The whole of kestrilo-cli: parses the command line, mines every seed into
// one list and writes it out. Returns the exit status.
int RunCli(int argc, char** argv);

}  // namespace kestrilo
