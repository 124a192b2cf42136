#pragma once
// What the signed index of a package (see app/release/ReleaseIndex.h) lets
// the partial road trust. A CRC-32 tells a changed file from an unchanged
// one but proves nothing; with a signed release the index does: it is taken
// only when its SHA-256 is the one the signed reply gives, only when it
// describes the very directory the plan was made from, and then every
// fetched member must have its listed bytes and every member left alone its
// listed content.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "app/release/ReleaseCrypto.h"
#include "app/release/ReleaseIndex.h"
#include "app/update/PartialPlan.h"
#include "core/Types.h"

// The largest index taken: about 200 bytes a member, for some 300,000 members.
inline constexpr std::int64_t kLargestIndex = 64 << 20;

// The entries of Text when its SHA-256 is Signed and it reads exactly.
std::optional<std::vector<release::IndexEntry>> SignedIndexEntries(std::string_view Text,
                                                                   const release::Sha256Digest& Signed);

// Whether Index lists exactly the files of Members, by name, each with the
// bytes the plan would fetch for it: from its local header to the next
// member's, the last one to the directory at DirectoryOffset.
bool IndexDescribes(const std::vector<release::IndexEntry>& Index, const std::vector<TPackageMember>& Members,
                    std::int64_t DirectoryOffset);

// Each listed file's content SHA-256, by name.
std::map<std::string, release::Sha256Digest> ListedContent(const std::vector<release::IndexEntry>& Index);

// Whether the bytes of each member named in Fetched, in the package file at
// Path, have the SHA-256 Index lists for them.
bool FetchedRangesCheckOut(const AnsiString& Path, const std::vector<release::IndexEntry>& Index,
                           const std::set<std::string>& Fetched);
