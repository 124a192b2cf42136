#pragma once
// An archive's installation and its version as one step. The release to
// record travels in the installation journal, written before the package's
// files take their names; whoever completes the journal records it: the
// installing run itself, or the next start after a run that was stopped part
// way. So "xconfig.ini" names the new version exactly when every file of it is
// in place, and the old one exactly when every old file is.
#include <cstdint>
#include <optional>
#include <string>

#include "app/update/Result.h"
#include "core/Types.h"
#include "zip/InstallJournal.h"

// The journal's name in the installation directory.
inline constexpr const char* kInstallJournalName = ".quelbo-install.journal";

// A release as "xconfig.ini" records it: the version and, for a signed
// release, its serial; and the package file it came in (a plain file name in
// the installation directory), which has done its job once the release is
// installed.
struct ReleaseRecord {
  AnsiString version;
  std::optional<std::int64_t> serial;
  AnsiString package;
  bool operator==(const ReleaseRecord&) const = default;
};

std::string EncodeReleaseRecord(const ReleaseRecord& Release);
std::optional<ReleaseRecord> DecodeReleaseRecord(const std::string& Bytes);

// Records the release in the configuration file IniPath: the serial first,
// since a version recorded without it would let an older signed reply through
// on the next run. Raises EIniFileException when the file cannot be written.
void RecordRelease(const AnsiString& IniPath, const ReleaseRecord& Release);

// Completes the installation whose journal the installation directory AppDir
// holds, recording its release (zip::CompleteInstall). With DeletePackage,
// the release's package goes too, unless a file of the package took its
// name: after a run that was stopped, nothing else would delete it. Refused,
// with the reason, when a file cannot be moved; the journal then waits for the
// next start. A configuration file that cannot be written raises, as it does
// wherever the version is recorded.
Result<zip::JournalOutcome> CompleteInstallation(const AnsiString& AppDir, bool DeletePackage);
