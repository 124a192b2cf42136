#pragma once
// Files that hold a secret: made for their owner alone, and checked before
// use for access by anyone else. Paths are operating-system paths.
#include <string>

#include "platform/FileHandle.h"

namespace platform {

// A new file that only its owner may read or write (Linux: mode 0600;
// Windows: an access list with the owner alone), open for writing. kNoFile
// (errno; EEXIST when the name is taken, a link included) otherwise.
FileHandle CreateOwnerOnlyFile(const std::string& osPath);
// Whether anyone but the owner (and, on Windows, the system and the
// administrators, who may read every file) may read the open file; false
// (errno) when that cannot be told.
bool OthersMayRead(FileHandle file, bool& mayRead);

}  // namespace platform
