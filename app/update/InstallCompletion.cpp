#include "app/update/InstallCompletion.h"

#include <algorithm>

#include "app/update/Installation.h"
#include "app/update/PackagesLeft.h"
#include "app/update/VersionRecord.h"
#include "app/update/VersionReply.h"
#include "core/SysUtils.h"
#include "platform/Files.h"
#include "zip/ZipErrors.h"

std::string EncodeReleaseRecord(const ReleaseRecord& Release) {
  // The serial's digits (none without one) and the package's name, each on
  // a line of its own, then the version, which may hold any byte.
  return (Release.serial ? std::to_string(*Release.serial) : std::string()) + "\n" + Release.package + "\n" +
         Release.version;
}

std::optional<ReleaseRecord> DecodeReleaseRecord(const std::string& Bytes) {
  const std::size_t end = Bytes.find('\n');
  const std::size_t packageEnd = end == std::string::npos ? end : Bytes.find('\n', end + 1);
  if (packageEnd == std::string::npos || end > 19) return std::nullopt;
  ReleaseRecord release{Bytes.substr(packageEnd + 1), std::nullopt, Bytes.substr(end + 1, packageEnd - end - 1)};
  // Only a plain name of the installation directory is ever deleted.
  if (!release.package.empty() && !IsPlainFileName(release.package)) return std::nullopt;
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

Result<zip::JournalOutcome> CompleteInstallation(const AnsiString& AppDir, bool DeletePackage) {
  try {
    return zip::CompleteInstall(
        AppDir + kInstallJournalName, [&](const std::string& payload, const std::vector<std::string>& installed) {
          // A release that cannot be read back is not recorded: the version
          // stays the old one, and the next update installs the package again.
          const std::optional<ReleaseRecord> release = DecodeReleaseRecord(payload);
          if (!release) return;
          RecordRelease(AppDir + kIniFileName, *release);
          if (!DeletePackage || release->package.empty()) return;
          const AnsiString package = InstalledPath(AppDir, release->package);
          // Deleted or taken by a file of the package, it is no longer one a
          // later package may replace.
          ForgetPackageLeft(AppDir, release->package);
          if (std::find(installed.begin(), installed.end(), platform::ToOsPath(package)) == installed.end() &&
              platform::FileExists(package))
            platform::DeleteFile(package);
        });
  } catch (const EInstallJournal& e) {
    return Refused{e.Message()};
  } catch (const EStreamError& e) {
    return Refused{e.Message()};
  }
}
