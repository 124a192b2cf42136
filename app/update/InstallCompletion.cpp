#include "app/update/InstallCompletion.h"

#include "app/update/VersionRecord.h"
#include "core/SysUtils.h"
#include "zip/ZipErrors.h"

std::string EncodeReleaseRecord(const ReleaseRecord& Release) {
  // The serial's digits (none without one), a line end, then the version,
  // which may hold any byte.
  return (Release.serial ? std::to_string(*Release.serial) : std::string()) + "\n" + Release.version;
}

std::optional<ReleaseRecord> DecodeReleaseRecord(const std::string& Bytes) {
  const std::size_t end = Bytes.find('\n');
  if (end == std::string::npos || end > 19) return std::nullopt;
  ReleaseRecord release{Bytes.substr(end + 1), std::nullopt};
  if (end == 0) return release;
  std::int64_t serial = 0;
  for (std::size_t i = 0; i < end; ++i) {
    const char c = Bytes[i];
    if (c < '0' || c > '9' || serial > (INT64_MAX - (c - '0')) / 10) return std::nullopt;
    serial = serial * 10 + (c - '0');
  }
  release.serial = serial;
  return release;
}

void RecordRelease(const AnsiString& IniPath, const ReleaseRecord& Release) {
  if (Release.serial) WriteIniValue(IniPath, kVersionSection, kSerialKey, IntToStr(*Release.serial));
  WriteIniValue(IniPath, kVersionSection, kVersionKey, Release.version);
}

Result<zip::JournalOutcome> CompleteInstallation(const AnsiString& AppDir) {
  try {
    return zip::CompleteInstall(AppDir + kInstallJournalName, [&](const std::string& payload) {
      // A release that cannot be read back is not recorded: the version
      // stays the old one, and the next update installs the package again.
      if (const std::optional<ReleaseRecord> release = DecodeReleaseRecord(payload))
        RecordRelease(AppDir + kIniFileName, *release);
    });
  } catch (const EInstallJournal& e) {
    return Refused{e.Message()};
  } catch (const EStreamError& e) {
    return Refused{e.Message()};
  }
}
