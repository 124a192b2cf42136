#pragma once
// The package a publisher signs, read once: its SHA-256 and size for the seal,
// and, when the updater will unpack it, proof that its ZIP directory reads.
// A package no player could install is refused here, at signing time.
#include <cstdint>
#include <string>

#include "app/release/ReleaseCrypto.h"

namespace publish {

// Whether the updater treats a package of this file name as a ZIP archive:
// ".zip" anywhere in the name, in any letter case.
bool IsArchiveName(const std::string& fileName);

// "" and the digest and size, or why the file cannot be served as a package.
std::string ReadPackageFile(const std::string& path, bool archive, release::Sha256Digest& digest, std::int64_t& size);

}  // namespace publish
