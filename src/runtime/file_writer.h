#pragma once

#include <initializer_list>
#include <span>
#include <string>

#include "runtime/types.h"

namespace kestrilo {

// Writes the non-empty blocks, in order, as the whole content of the file
// named `file_name` (GBK), creating it or replacing what was there. The new
// content goes to a temporary file beside the target that replaces it only
// once everything is written and flushed to disk, so a failure leaves an
// existing file as it was. False for an empty name or any failure.
bool WriteToFile(const Text& file_name, std::span<const Bytes> blocks);
bool WriteToFile(const Text& file_name, std::initializer_list<Bytes> blocks);

// The same for a path as the file system spells it (UTF-8 here), which a
// name that GBK cannot hold keeps intact. When the folder refuses the
// temporary file but the file itself may be written, it is written in
// place, and still kept as it was unless the new content is written whole:
// the file is locked and grown to its new size before any old byte is
// overwritten, and a write that fails later puts the old bytes back (a
// file we may write but not read gets back only its old size).
//
// A symbolic link is followed, so the file it names is updated, except a
// link that another user placed in a shared folder (sticky and writable by
// all), which is refused as the kernel's protected_symlinks rule would.
// On failure `why`, when given, gets a short English reason for the user,
// such as "File too large".
bool WriteToPath(const std::string& path, std::span<const Bytes> blocks,
                 std::string* why = nullptr);

// The folder that holds the running executable, GBK, without a trailing
// separator.
Text RunDirectory();

}  // namespace kestrilo
