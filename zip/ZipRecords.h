#pragma once
// The fixed-size records of the archive format, read into plain structs from
// their little-endian bytes. Each parser checks the signature and is given
// exactly the record's size, so no field is read from beyond the bytes held.
#include <cstddef>
#include <cstdint>

namespace zip {

inline constexpr std::uint32_t kLocalHeaderSig = 0x04034B50;
inline constexpr std::uint32_t kCentralHeaderSig = 0x02014B50;
inline constexpr std::uint32_t kEndCentralSig = 0x06054B50;
inline constexpr std::uint32_t kZip64EndSig = 0x06064B50;
inline constexpr std::uint32_t kZip64LocatorSig = 0x07064B50;
inline constexpr std::uint16_t kZip64ExtraTag = 0x0001;

inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kEndCentralSize = 22;
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::size_t kZip64EndSize = 56;
// The longest archive comment plus the end record: where an end record can start.
inline constexpr std::size_t kEndSearchSpan = kEndCentralSize + 65535;

inline std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t Get64(const std::uint8_t* p) {
  return static_cast<std::uint64_t>(Get32(p)) | (static_cast<std::uint64_t>(Get32(p + 4)) << 32);
}

struct EndCentralRecord {
  std::uint32_t signature = 0;
  std::uint16_t thisDisk = 0;
  std::uint16_t centralStartDisk = 0;
  std::uint16_t entriesThisDisk = 0;
  std::uint16_t totalEntries = 0;
  std::uint32_t centralSize = 0;
  std::uint32_t centralOffset = 0;
  std::uint16_t commentLength = 0;

  static EndCentralRecord Parse(const std::uint8_t* p) {
    return {Get32(p), Get16(p + 4), Get16(p + 6), Get16(p + 8), Get16(p + 10), Get32(p + 12), Get32(p + 16), Get16(p + 20)};
  }
};

struct Zip64Locator {
  std::uint32_t signature = 0;
  std::uint32_t endRecordDisk = 0;
  std::uint64_t endRecordOffset = 0;
  std::uint32_t totalDisks = 0;

  static Zip64Locator Parse(const std::uint8_t* p) { return {Get32(p), Get32(p + 4), Get64(p + 8), Get32(p + 16)}; }
};

struct Zip64EndRecord {
  std::uint32_t signature = 0;
  std::uint64_t recordSize = 0;
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 0;
  std::uint32_t thisDisk = 0;
  std::uint32_t centralStartDisk = 0;
  std::uint64_t entriesThisDisk = 0;
  std::uint64_t totalEntries = 0;
  std::uint64_t centralSize = 0;
  std::uint64_t centralOffset = 0;

  static Zip64EndRecord Parse(const std::uint8_t* p) {
    return {Get32(p),      Get64(p + 4),  Get16(p + 12), Get16(p + 14), Get32(p + 16),
            Get32(p + 20), Get64(p + 24), Get64(p + 32), Get64(p + 40), Get64(p + 48)};
  }
};

struct CentralHeader {
  std::uint32_t signature = 0;
  std::uint16_t versionMadeBy = 0;
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t dateTime = 0;  // time in the low word, date in the high word
  std::uint32_t crc32 = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint16_t nameLength = 0;
  std::uint16_t extraLength = 0;
  std::uint16_t commentLength = 0;
  std::uint16_t diskNumberStart = 0;
  std::uint16_t internalAttributes = 0;
  std::uint32_t externalAttributes = 0;
  std::uint32_t localHeaderOffset = 0;

  static CentralHeader Parse(const std::uint8_t* p) {
    return {Get32(p),      Get16(p + 4),  Get16(p + 6),  Get16(p + 8),  Get16(p + 10), Get32(p + 12),
            Get32(p + 16), Get32(p + 20), Get32(p + 24), Get16(p + 28), Get16(p + 30), Get16(p + 32),
            Get16(p + 34), Get16(p + 36), Get32(p + 38), Get32(p + 42)};
  }
};

struct LocalHeader {
  std::uint32_t signature = 0;
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t dateTime = 0;
  std::uint32_t crc32 = 0;
  std::uint32_t compressedSize = 0;
  std::uint32_t uncompressedSize = 0;
  std::uint16_t nameLength = 0;
  std::uint16_t extraLength = 0;

  static LocalHeader Parse(const std::uint8_t* p) {
    return {Get32(p),      Get16(p + 4),  Get16(p + 6),  Get16(p + 8), Get32(p + 10),
            Get32(p + 14), Get32(p + 18), Get32(p + 22), Get16(p + 26), Get16(p + 28)};
  }
};

// General purpose flag bits.
inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagImplode8K = 0x0002;
inline constexpr std::uint16_t kFlagImplode3Trees = 0x0004;
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t kFlagUtf8Name = 0x0800;

// Host systems in the high byte of "version made by".
inline constexpr std::uint8_t kHostMsDos = 0;
inline constexpr std::uint8_t kHostUnix = 3;

}  // namespace zip
