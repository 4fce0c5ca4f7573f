#pragma once

namespace kestrilo {

// Makes every automation class of ours creatable by name: the byte/text
// stream, the regular-expression object and the script control. The program
// calls it once at start; calling it again does no harm.
void RegisterPlatformClasses();

}  // namespace kestrilo
