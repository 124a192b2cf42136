#pragma once
// The in-memory records of an archive's directory: the end record with its
// ZIP64 companions, and one record per member.
#include <cstdint>
#include <memory>

#include "core/Classes.h"
#include "zip/ZipRecords.h"
#include "zip/ZipTypes.h"

// The ZIP64 values of one member: each is meaningful only when the 32-bit (or
// 16-bit) field it stands for holds all ones.
struct TZip64Values {
  std::uint16_t tag = 0;
  std::uint16_t size = 0;
  std::uint64_t uncompressedSize = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t localHeaderOffset = 0;
  std::uint32_t diskStart = 0;
};

class TEndCentral : public TPersistent {
 public:
  zip::EndCentralRecord record;
  AnsiString comment;
  bool commentLoaded = false;
  std::int64_t commentPosition = 0;
  bool modified = false;
  std::unique_ptr<zip::Zip64Locator> zip64Locator;
  std::unique_ptr<zip::Zip64EndRecord> zip64End;

  void Clear();
  // Effective values: from the ZIP64 end record when the short field is all ones.
  std::uint32_t ThisDisk() const;
  std::uint32_t CentralStartDisk() const;
  std::uint64_t TotalEntries() const;
  std::uint64_t CentralOffset() const;
  void Assign(const TPersistent* Source) override;
};

class TZipHeaderInfo : public TPersistent {
 public:
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t compressionMethod = 0;
  std::uint32_t dateTime = 0;  // date in the high word, time in the low word; clamped
  std::uint32_t crc32 = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint16_t nameLength = 0;
  std::uint16_t centralExtraLength = 0;
  std::uint16_t localExtraLength = 0;
  std::uint16_t commentLength = 0;
  std::uint16_t diskNumberStart = 0;
  std::uint16_t internalAttributes = 0;
  std::uint32_t externalAttributes = 0;
  std::uint32_t localHeaderOffset = 0;
  std::int64_t centralHeaderPosition = 0;
  AnsiString fileName;   // after the last "\"
  AnsiString directory;  // up to and including the last "\"
  std::unique_ptr<TZip64Values> zip64;
  AnsiString comment;
  bool selected = false;
  TOEMConvert oemConvert = oemAlways;
  std::int64_t extraPosition = 0;
  std::uint16_t zip64ExtraSize = 0;
  // Found by the rebuild scan and matched by no central header.
  bool fromLocalHeaderOnly = false;

  TZipHeaderInfo() = default;
  TZipHeaderInfo(const TZipHeaderInfo& o) { Assign(&o); }
  TZipHeaderInfo& operator=(const TZipHeaderInfo& o) {
    Assign(&o);
    return *this;
  }
  void Assign(const TPersistent* Source) override;

  int Host() const { return versionMadeBy >> 8; }
  bool Encrypted() const { return flags & zip::kFlagEncrypted; }
  std::uint64_t CompressedSize64() const;
  std::uint64_t UncompressedSize64() const;
  std::uint64_t LocalHeaderOffset64() const;
  std::uint32_t DiskStart() const;
  TZip64Values& Zip64();  // created on first need
  // Sets the name from decoded "\"-separated text: directory and file name.
  void SetName(const AnsiString& fullName);
  AnsiString FullName() const { return directory + fileName; }
  // Reads the ZIP64 block of an extra field (tag 0x0001), taking each value only
  // where its short field holds all ones. Other blocks are skipped; a block that
  // runs past the field ends the parse.
  void ParseExtraField(const std::uint8_t* extra, std::size_t length);
};
