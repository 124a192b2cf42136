#pragma once
// What the last installation put in the installation directory: each file's
// size, modification time, CRC-32 and SHA-256, kept in a record beside
// "xconfig.ini". The record is a cache. A file whose size or time no longer
// matches is hashed again when it is asked for, so an unchanged installation
// costs a walk over its files, not a read of them; a record that is missing
// or does not read exactly so is rebuilt from the files themselves.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/release/ReleaseCrypto.h"
#include "core/Types.h"

// The record's file name in the installation directory.
extern const char* const kInstalledRecordName;

struct TInstalledFile {
  std::int64_t size = 0;
  std::int64_t modified = 0;  // nanoseconds since 1970
  std::uint32_t crc32 = 0;
  release::Sha256Digest sha256{};
  bool operator==(const TInstalledFile&) const = default;
};

// Files by their name relative to the installation directory, with "/"
// between its parts, in code page 936.
using TInstalledRecord = std::map<std::string, TInstalledFile>;

// One line per file, "size modified crc32 sha256 name"; nothing when a name
// cannot stand on one line.
std::optional<std::string> InstalledRecordText(const TInstalledRecord& Record);
// The record a text holds, or nothing when it is not exactly one.
std::optional<TInstalledRecord> ParseInstalledRecord(const std::string& Text);

// After an installation of the package whose files are Names: the record
// holds those files, as they now are, and no others. Failures to read or
// write it cost the next update its shortcut, nothing more.
void RecordInstallation(const AnsiString& AppDir, const std::vector<std::string>& Names);

// The installed files of the installation directory AppDir, as the record
// and the files themselves tell.
class TInstalledFiles {
 public:
  explicit TInstalledFiles(const AnsiString& AppDir);

  // The file Name as it is now: from the record while its size and time
  // still match, else hashed again. Nothing when it is no regular file or
  // cannot be read.
  std::optional<TInstalledFile> Current(const std::string& Name);
  // Forgets every file but those Keep says are installed.
  template <class F>
  void KeepOnly(F Keep) {
    std::erase_if(record_, [&](const auto& entry) { return !Keep(entry.first); });
  }
  // Writes the record, whole or not at all; false when it could not.
  bool Save() const;
  // Whether the record read at the start was a good one.
  bool WasRecorded() const { return recorded_; }
  // Files read to hash them since the start.
  int Hashed() const { return hashed_; }

 private:
  AnsiString appDir_;
  TInstalledRecord record_;
  bool recorded_ = false;
  int hashed_ = 0;
};
