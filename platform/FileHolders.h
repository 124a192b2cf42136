#pragma once
// Files that other programs hold open. On Windows a program that opens a file
// without sharing it (a game its libraries, a scanner what it scans) keeps
// everyone else from renaming or removing it until it lets go; such a refusal
// sets errno to EBUSY. Linux has no such locks.
#include <string>

#include "platform/FileHandle.h"

namespace platform {

// The names of the programs holding the file open (operating-system path),
// separated by ", ", as far as the system can tell (Windows: the Restart
// Manager); empty when it cannot.
std::string ProgramsHoldingFile(const std::string& osPath);

// Opens an existing file for reading sharing nothing, as such a program
// does; kNoFile (errno) on failure. On Linux the file is merely open.
FileHandle OpenFileUnshared(const std::string& osPath);

}  // namespace platform
