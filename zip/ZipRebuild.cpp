// The rebuild scan: when the central directory is missing or damaged, the
// members are found by walking the local headers from the first one found.
#include "zip/DosDateTime.h"
#include "zip/ZipExtractor.h"
#include "zip/ZipNames.h"

namespace {
constexpr std::int64_t kSelfExtractorSkip = 14000;
constexpr std::int64_t kMessageInterval = 10240;
constexpr int kHostUnknown = -1;

bool HasExeExtension(const AnsiString& name) {
  return name.size() >= 4 && UpperCaseAscii(name.substr(name.size() - 4)) == ".EXE";
}

// Position + length, or -1 when that cannot be a position in a file.
std::int64_t Advance(std::int64_t pos, std::uint64_t length) {
  if (length > static_cast<std::uint64_t>(INT64_MAX - pos)) return -1;
  return pos + static_cast<std::int64_t>(length);
}
}  // namespace

bool TZipExtractor::RebuildFromLocalHeaders() {
  rebuilt_ = true;
  list_ = std::make_unique<TSortedZip>(TZipSortMode::ByNone, TDuplicates::dupError, true);
  TBufferedFileStream& s = *archive_;
  s.SetPosition(HasExeExtension(zipName_) ? kSelfExtractorSkip : 0);

  // Find the first local header signature whose "version needed" is plausible.
  std::int64_t first = -1;
  std::int64_t skipped = 0;
  std::uint8_t b;
  while (first < 0) {
    if (!s.ReadByte(b)) return false;
    if (b != 'P') {
      if (++skipped % kMessageInterval == 0) CheckMessages();
      continue;
    }
    std::int64_t at = s.Position() - 1;
    static const std::uint8_t kRest[3] = {'K', 3, 4};
    bool match = true;
    for (std::uint8_t want : kRest) {
      if (!s.ReadByte(b)) return false;
      if (b != want) {
        match = false;
        break;
      }
    }
    if (!match) continue;
    std::uint8_t version[2];
    if (!s.ReadByte(version[0]) || !s.ReadByte(version[1])) return false;
    if (version[1] < 10) first = at;
  }

  std::int64_t pos = first;
  while (true) {
    s.SetPosition(pos);
    std::uint8_t raw[zip::kLocalHeaderSize];
    if (s.Read(raw, sizeof raw) != static_cast<std::int64_t>(sizeof raw) || zip::Get32(raw) != zip::kLocalHeaderSig) break;
    zip::LocalHeader l = zip::LocalHeader::Parse(raw);
    std::string name(l.nameLength, '\0');
    std::vector<std::uint8_t> extra(l.extraLength);
    if (s.Read(name.data(), l.nameLength) != l.nameLength ||
        s.Read(extra.data(), l.extraLength) != l.extraLength)
      break;
    auto h = std::make_unique<TZipHeaderInfo>();
    h->versionNeeded = l.versionNeeded;
    h->flags = l.flags;
    h->compressionMethod = l.method;
    h->dateTime = zip::ClampDosDateTime(l.dateTime);
    h->crc32 = l.crc32;
    h->compressedSize = l.compressedSize;
    h->uncompressedSize = l.uncompressedSize;
    h->localExtraLength = l.extraLength;
    h->fromLocalHeaderOnly = true;
    h->oemConvert = OEMConvert;
    if (pos >= 0xFFFFFFFF) {
      h->localHeaderOffset = 0xFFFFFFFF;
      h->Zip64().localHeaderOffset = static_cast<std::uint64_t>(pos);
    } else {
      h->localHeaderOffset = static_cast<std::uint32_t>(pos);
    }
    // A local header does not say which system made it; its name is read by content.
    h->SetName(zip::ToBackslashes(zip::DecodeStoredName(name, l.flags, kHostUnknown)));
    h->ParseExtraField(extra.data(), extra.size());
    std::int64_t next = Advance(pos, zip::kLocalHeaderSize + l.nameLength + l.extraLength);
    next = next < 0 ? -1 : Advance(next, h->CompressedSize64() + ((l.flags & zip::kFlagDataDescriptor) ? 16 : 0));
    if (!list_->Add(h.release())) break;
    if (next < 0 || next > s.Size()) {
      pos = s.Size();
      break;
    }
    pos = next;
  }

  // The end record now describes what the scan found.
  endCentral_.Clear();
  std::uint64_t count = static_cast<std::uint64_t>(list_->Count());
  endCentral_.record.signature = zip::kEndCentralSig;
  endCentral_.record.centralOffset = pos >= 0xFFFFFFFF ? 0xFFFFFFFF : static_cast<std::uint32_t>(pos);
  endCentral_.record.totalEntries = count >= 0xFFFF ? 0xFFFF : static_cast<std::uint16_t>(count);
  endCentral_.record.entriesThisDisk = endCentral_.record.totalEntries;
  if (pos >= 0xFFFFFFFF || count >= 0xFFFF) {
    endCentral_.zip64End = std::make_unique<zip::Zip64EndRecord>();
    endCentral_.zip64End->centralOffset = static_cast<std::uint64_t>(pos);
    endCentral_.zip64End->totalEntries = count;
  }
  return list_->Count() > 0;
}
