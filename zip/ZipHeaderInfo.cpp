#include "zip/ZipHeaderInfo.h"

#include "zip/ZipNames.h"

void TEndCentral::Clear() {
  record = {};
  comment.clear();
  commentLoaded = false;
  commentPosition = 0;
  modified = false;
  zip64Locator.reset();
  zip64End.reset();
}

std::uint32_t TEndCentral::ThisDisk() const {
  return record.thisDisk == 0xFFFF && zip64End ? zip64End->thisDisk : record.thisDisk;
}
std::uint32_t TEndCentral::CentralStartDisk() const {
  return record.centralStartDisk == 0xFFFF && zip64End ? zip64End->centralStartDisk : record.centralStartDisk;
}
std::uint64_t TEndCentral::TotalEntries() const {
  return record.totalEntries == 0xFFFF && zip64End ? zip64End->totalEntries : record.totalEntries;
}
std::uint64_t TEndCentral::CentralOffset() const {
  return record.centralOffset == 0xFFFFFFFF && zip64End ? zip64End->centralOffset : record.centralOffset;
}

void TEndCentral::Assign(const TPersistent* Source) {
  auto* s = dynamic_cast<const TEndCentral*>(Source);
  if (!s) return TPersistent::Assign(Source);
  if (s == this) return;
  record = s->record;
  comment = s->comment;
  commentLoaded = s->commentLoaded;
  commentPosition = s->commentPosition;
  modified = s->modified;
  zip64Locator = s->zip64Locator ? std::make_unique<zip::Zip64Locator>(*s->zip64Locator) : nullptr;
  zip64End = s->zip64End ? std::make_unique<zip::Zip64EndRecord>(*s->zip64End) : nullptr;
}

void TZipHeaderInfo::Assign(const TPersistent* Source) {
  auto* s = dynamic_cast<const TZipHeaderInfo*>(Source);
  if (!s) return TPersistent::Assign(Source);
  if (s == this) return;
  versionMadeBy = s->versionMadeBy;
  versionNeeded = s->versionNeeded;
  flags = s->flags;
  compressionMethod = s->compressionMethod;
  dateTime = s->dateTime;
  crc32 = s->crc32;
  compressedSize = s->compressedSize;
  uncompressedSize = s->uncompressedSize;
  nameLength = s->nameLength;
  centralExtraLength = s->centralExtraLength;
  localExtraLength = s->localExtraLength;
  commentLength = s->commentLength;
  diskNumberStart = s->diskNumberStart;
  internalAttributes = s->internalAttributes;
  externalAttributes = s->externalAttributes;
  localHeaderOffset = s->localHeaderOffset;
  centralHeaderPosition = s->centralHeaderPosition;
  fileName = s->fileName;
  directory = s->directory;
  zip64 = s->zip64 ? std::make_unique<TZip64Values>(*s->zip64) : nullptr;
  comment = s->comment;
  selected = s->selected;
  oemConvert = s->oemConvert;
  extraPosition = s->extraPosition;
  zip64ExtraSize = s->zip64ExtraSize;
  fromLocalHeaderOnly = s->fromLocalHeaderOnly;
}

std::uint64_t TZipHeaderInfo::CompressedSize64() const {
  return compressedSize == 0xFFFFFFFF && zip64 ? zip64->compressedSize : compressedSize;
}
std::uint64_t TZipHeaderInfo::UncompressedSize64() const {
  return uncompressedSize == 0xFFFFFFFF && zip64 ? zip64->uncompressedSize : uncompressedSize;
}
std::uint64_t TZipHeaderInfo::LocalHeaderOffset64() const {
  return localHeaderOffset == 0xFFFFFFFF && zip64 ? zip64->localHeaderOffset : localHeaderOffset;
}
std::uint32_t TZipHeaderInfo::DiskStart() const {
  return diskNumberStart == 0xFFFF && zip64 ? zip64->diskStart : diskNumberStart;
}

TZip64Values& TZipHeaderInfo::Zip64() {
  if (!zip64) zip64 = std::make_unique<TZip64Values>();
  return *zip64;
}

void TZipHeaderInfo::SetName(const AnsiString& fullName) {
  std::size_t sep = zip::LastSeparator(fullName);
  if (sep == AnsiString::npos) {
    directory.clear();
    fileName = fullName;
  } else {
    directory = fullName.substr(0, sep + 1);
    fileName = fullName.substr(sep + 1);
  }
  nameLength = static_cast<std::uint16_t>(std::min<std::size_t>(fullName.size(), 0xFFFF));
}

void TZipHeaderInfo::ParseExtraField(const std::uint8_t* extra, std::size_t length) {
  std::size_t pos = 0;
  while (pos + 4 <= length) {
    std::uint16_t tag = zip::Get16(extra + pos);
    std::uint16_t size = zip::Get16(extra + pos + 2);
    std::size_t body = pos + 4;
    if (body + size > length) return;
    if (tag == zip::kZip64ExtraTag) {
      TZip64Values& z = Zip64();
      z.tag = tag;
      z.size = size;
      zip64ExtraSize = static_cast<std::uint16_t>(size + 4);
      std::size_t p = body, end = body + size;
      if (uncompressedSize == 0xFFFFFFFF && p + 8 <= end) z.uncompressedSize = zip::Get64(extra + p), p += 8;
      if (compressedSize == 0xFFFFFFFF && p + 8 <= end) z.compressedSize = zip::Get64(extra + p), p += 8;
      if (localHeaderOffset == 0xFFFFFFFF && p + 8 <= end) z.localHeaderOffset = zip::Get64(extra + p), p += 8;
      if (diskNumberStart == 0xFFFF && p + 4 <= end) z.diskStart = zip::Get32(extra + p), p += 4;
    }
    pos = body + size;
  }
}
