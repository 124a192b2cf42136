#pragma once
// Checking members of an archive without installing them.
#include <set>
#include <string>

#include "core/Types.h"

// Whether every member named in Fetched (by its name below the installation
// directory) decodes from the archive file at Path to the CRC-32 its
// directory gives. Bytes that a server sent for a range under the same
// validator may still be other bytes; they are found here, before anything
// is installed.
bool FetchedMembersCheckOut(const AnsiString& Path, const std::set<std::string>& Fetched);
