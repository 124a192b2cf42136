#pragma once
// The index written beside a signed ZIP package: each member's bytes in the
// package and their SHA-256, and the SHA-256 of its content as the updater's
// own extractor decodes it, so that an updater may fetch and check members
// one by one.
#include <string>

namespace publish {

// "" and the index text of the archive at Path, or why there can be none
// (then the release is served without an index and always comes whole).
std::string MakePackageIndex(const std::string& path, std::string& text);

}  // namespace publish
