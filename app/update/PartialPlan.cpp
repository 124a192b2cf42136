#include "app/update/PartialPlan.h"

#include <algorithm>
#include <map>

#include "zip/ZipExtractor.h"
#include "zip/ZipRecords.h"

namespace {

// The end record nearest the end whose comment reaches exactly to the end.
std::optional<std::size_t> FindEndRecord(const std::string& tail) {
  if (tail.size() < zip::kEndCentralSize) return std::nullopt;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(tail.data());
  const std::size_t last = tail.size() - zip::kEndCentralSize;
  const std::size_t first = tail.size() > zip::kEndSearchSpan ? tail.size() - zip::kEndSearchSpan : 0;
  for (std::size_t at = last + 1; at-- > first;) {
    const zip::EndCentralRecord end = zip::EndCentralRecord::Parse(bytes + at);
    if (end.signature == zip::kEndCentralSig && at + zip::kEndCentralSize + end.commentLength == tail.size()) return at;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::int64_t> DirectoryStart(const std::string& Tail, std::int64_t TailStart, std::int64_t Size) {
  if (TailStart < 0 || TailStart + static_cast<std::int64_t>(Tail.size()) != Size) return std::nullopt;
  const std::optional<std::size_t> at = FindEndRecord(Tail);
  if (!at) return std::nullopt;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(Tail.data());
  const zip::EndCentralRecord end = zip::EndCentralRecord::Parse(bytes + *at);
  if (end.thisDisk != 0 || end.centralStartDisk != 0 || end.entriesThisDisk != end.totalEntries) return std::nullopt;
  std::uint64_t offset = end.centralOffset, size = end.centralSize;
  // Where the directory must end: at the ZIP64 end record when there is one.
  std::int64_t directoryEnd = TailStart + static_cast<std::int64_t>(*at);
  std::int64_t need = directoryEnd;
  const bool zip64 = end.centralOffset == 0xFFFFFFFFu || end.centralSize == 0xFFFFFFFFu || end.totalEntries == 0xFFFF;
  if (*at >= zip::kZip64LocatorSize && zip::Get32(bytes + *at - zip::kZip64LocatorSize) == zip::kZip64LocatorSig) {
    const zip::Zip64Locator locator = zip::Zip64Locator::Parse(bytes + *at - zip::kZip64LocatorSize);
    if (locator.endRecordDisk != 0 || locator.totalDisks > 1) return std::nullopt;
    const std::int64_t record = static_cast<std::int64_t>(std::min<std::uint64_t>(locator.endRecordOffset, INT64_MAX));
    if (record + static_cast<std::int64_t>(zip::kZip64EndSize) >
        directoryEnd - static_cast<std::int64_t>(zip::kZip64LocatorSize))
      return std::nullopt;
    if (record < TailStart) return record;  // to be fetched before anything else is known
    const zip::Zip64EndRecord end64 = zip::Zip64EndRecord::Parse(bytes + (record - TailStart));
    if (end64.signature != zip::kZip64EndSig || end64.thisDisk != 0 || end64.centralStartDisk != 0) return std::nullopt;
    offset = end64.centralOffset;
    size = end64.centralSize;
    directoryEnd = record;
    need = record;
  } else if (zip64) {
    return std::nullopt;
  }
  if (offset > static_cast<std::uint64_t>(directoryEnd) || size != static_cast<std::uint64_t>(directoryEnd) - offset)
    return std::nullopt;
  return std::min<std::int64_t>(need, static_cast<std::int64_t>(offset));
}

std::string InstalledName(const TZipExtractor& Zip, int Index) {
  std::string name = Zip.Directory(Index) + Zip.FileName(Index);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

std::vector<TPackageMember> PackageMembers(const TZipExtractor& Zip) {
  std::vector<TPackageMember> members;
  for (int i = 0; i < Zip.MemberCount(); ++i) {
    const TZipHeaderInfo& h = Zip.Member(i);
    TPackageMember m;
    m.name = InstalledName(Zip, i);
    m.directory = h.fileName.empty();
    m.offset = static_cast<std::int64_t>(std::min<std::uint64_t>(h.LocalHeaderOffset64(), INT64_MAX));
    m.compressedSize = h.CompressedSize64();
    m.size = h.UncompressedSize64();
    m.crc32 = h.crc32;
    members.push_back(m);
  }
  return members;
}

std::optional<TPartialPlan> PlanPartial(const std::vector<TPackageMember>& Members, std::int64_t DirectoryOffset,
                                        const TInstalledLookup& Installed) {
  // Members with data in the order of their bytes; directories have none to fetch.
  std::vector<const TPackageMember*> files;
  std::map<std::string, int> seen;
  for (const TPackageMember& m : Members) {
    if (m.directory) continue;
    files.push_back(&m);
    ++seen[m.name];
  }
  std::sort(files.begin(), files.end(), [](auto* a, auto* b) { return a->offset < b->offset; });
  TPartialPlan plan;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const TPackageMember& m = *files[i];
    const std::int64_t end = i + 1 < files.size() ? files[i + 1]->offset : DirectoryOffset;
    // The member's bytes run to the next one's header; they must hold its
    // header and its data at the least.
    if (m.offset < 0 || end <= m.offset || m.compressedSize > static_cast<std::uint64_t>(end - m.offset) ||
        static_cast<std::uint64_t>(end - m.offset) - m.compressedSize < zip::kLocalHeaderSize)
      return std::nullopt;
    // A name that comes twice is extracted twice, as from the whole package.
    const std::optional<TInstalledFile> installed = seen[m.name] == 1 ? Installed(m.name) : std::nullopt;
    if (installed && static_cast<std::uint64_t>(installed->size) == m.size && installed->crc32 == m.crc32) {
      plan.untouched.push_back(m.name);
      continue;
    }
    plan.fetched.insert(m.name);
    if (!plan.spans.empty() && plan.spans.back().End == m.offset) plan.spans.back().End = end;
    else plan.spans.push_back({m.offset, end});
    plan.bytes += end - m.offset;
  }
  return plan;
}

bool SavesEnough(std::int64_t Planned, std::int64_t End, std::int64_t Size) {
  return Size > 0 && (Planned + End) <= Size - Size / 4;
}
