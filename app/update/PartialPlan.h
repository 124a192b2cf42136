#pragma once
// Which bytes of a package an update needs when most of its files are
// installed already. A ZIP package says enough by itself: its end record
// and directory give every member's offset, sizes and CRC-32. A member
// whose installed file has its size and CRC-32 is left alone; the others are
// fetched whole (local header, data, descriptor), neighbours merged into one
// span. Whatever in the package's end or its members does not add up gives
// no plan, and the caller takes the whole package.
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/update/InstalledFiles.h"

class TZipExtractor;

// The bytes [First, End) of the package.
struct TByteSpan {
  std::int64_t First = 0, End = 0;
  std::int64_t Length() const { return End - First; }
  bool operator==(const TByteSpan&) const = default;
};

// Given the package's last bytes Tail, which begin at TailStart of a package
// of Size bytes: the offset from which its end must be held to read the
// directory (the ZIP64 end record too, when there is one). When that is
// below TailStart the caller fetches from there and asks again. Nothing when
// the end records do not parse or do not add up (a directory that does not
// end where the end records begin, a split archive).
std::optional<std::int64_t> DirectoryStart(const std::string& Tail, std::int64_t TailStart, std::int64_t Size);

struct TPackageMember {
  std::string name;  // below the installation directory, "/" between parts
  bool directory = false;
  std::int64_t offset = 0;  // of its local header
  std::uint64_t compressedSize = 0, size = 0;
  std::uint32_t crc32 = 0;
};

// The members of the archive whose directory Zip has loaded.
std::vector<TPackageMember> PackageMembers(const TZipExtractor& Zip);
// A member's name as the installation knows it.
std::string InstalledName(const TZipExtractor& Zip, int Index);

struct TPartialPlan {
  std::vector<TByteSpan> spans;        // to fetch, in order, neighbours merged
  std::set<std::string> fetched;       // files to extract from them
  std::vector<std::string> untouched;  // files left as they are
  std::int64_t bytes = 0;              // in the spans
};

using TInstalledLookup = std::function<std::optional<TInstalledFile>(const std::string& Name)>;

// The plan for Members, whose directory begins at DirectoryOffset; Installed
// tells what is installed under a name. Nothing when the members do not add
// up: local headers out of the package or not below the directory, two
// members in the same bytes, a member too short for its header and data.
std::optional<TPartialPlan> PlanPartial(const std::vector<TPackageMember>& Members, std::int64_t DirectoryOffset,
                                        const TInstalledLookup& Installed);

// Whether fetching Planned bytes (and the End already held) saves enough of
// a package of Size bytes to be worth more requests: about a quarter.
bool SavesEnough(std::int64_t Planned, std::int64_t End, std::int64_t Size);
