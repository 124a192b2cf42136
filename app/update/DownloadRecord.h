#pragma once
// The small record kept beside a package's partial file, so that the next
// run can go on from the bytes the file holds: what was being fetched (the
// URL, the package's name, the size and SHA-256 the reply promised) and where
// the body stood (the bytes held, its length and the validators of the
// server's answer). One line per item, "name value", the value's bytes as
// they are; a record that does not read exactly so is no record.
#include <cstdint>
#include <optional>
#include <string>

#include "app/release/ReleaseCrypto.h"
#include "core/Types.h"

struct TDownloadRecord {
  AnsiString url;
  AnsiString name;  // the package's name in the installation directory
  std::optional<std::int64_t> promisedSize;
  std::optional<release::Sha256Digest> promisedSha256;
  std::int64_t held = 0;
  std::int64_t total = -1;
  AnsiString validator, etag, lastModified;

  bool operator==(const TDownloadRecord&) const = default;
};

// The record's text; nothing when a value cannot stand on one line.
std::optional<std::string> DownloadRecordText(const TDownloadRecord& Record);
// The record a text holds, or nothing when it is not one.
std::optional<TDownloadRecord> ParseDownloadRecord(const std::string& Text);

// The record in the file at Path (code page 936), or nothing.
std::optional<TDownloadRecord> ReadDownloadRecord(const AnsiString& Path);
// Replaces the file at Path with the record, whole or not at all; false when
// it could not.
bool WriteDownloadRecord(const AnsiString& Path, const TDownloadRecord& Record);
