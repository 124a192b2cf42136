#pragma once
// Checking members of an archive without installing them.
#include <map>
#include <set>
#include <string>

#include "app/release/ReleaseCrypto.h"
#include "core/Types.h"

// Whether every member named in Fetched (by its name below the installation
// directory) decodes from the archive file at Path to the CRC-32 its
// directory gives. Bytes that a server sent for a range under the same
// validator may still be other bytes; they are found here, before anything
// is installed. With Content (a signed release's listed digests, by name),
// each member's decoded bytes must have its SHA-256 too, so that a
// directory that tells other sizes or methods for signed bytes is found.
bool FetchedMembersCheckOut(const AnsiString& Path, const std::set<std::string>& Fetched,
                            const std::map<std::string, release::Sha256Digest>* Content = nullptr);
