#pragma once
// The index a publisher writes beside a signed ZIP package (its name + ".idx")
// so that an updater may fetch only some members and still check every byte
// it takes. The reply's seal carries the index's SHA-256, so the index is as
// trusted as the reply once that digest matches.
//
//   index  = "quelbo-index 1" LF *entry
//   entry  = first SP end SP range-sha256 SP content-sha256 SP name LF
//   first, end     1*19 decimal digits: the member's bytes [first, end) in the
//                  package, from its local header to the end of its data
//                  or descriptor, as the partial planner reads them
//   range-sha256   64 lower-case hexadecimal digits: SHA-256 of those bytes
//   content-sha256 64 lower-case hexadecimal digits: SHA-256 of the member's
//                  content as extracted
//   name           the member's name below the installation directory, "/"
//                  between parts; not empty, no CR, LF or NUL
//
// Entries are in the order of their bytes and do not overlap; a name comes
// once. Anything else makes the whole index unreadable: a text that reads is
// written back as the same bytes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/release/ReleaseCrypto.h"

namespace release {

struct IndexEntry {
  std::string name;
  std::int64_t first = 0, end = 0;
  Sha256Digest rangeSha256{}, contentSha256{};
  bool operator==(const IndexEntry&) const = default;
};

inline constexpr const char* kIndexSuffix = ".idx";

std::optional<std::vector<IndexEntry>> ParseReleaseIndex(std::string_view text);

// The text of Entries; nothing when they break the rules above.
std::optional<std::string> ReleaseIndexText(const std::vector<IndexEntry>& entries);

}  // namespace release
