#include "app/update/PackagesLeft.h"

#include <vector>

#include "app/update/Installation.h"
#include "app/update/VersionRecord.h"
#include "platform/Files.h"
#include "platform/ProfileFile.h"

namespace {

constexpr char kSeparator = '|';

std::vector<AnsiString> Recorded(const AnsiString& appDir) {
  const AnsiString list = ReadIniValue(appDir + kIniFileName, kVersionSection, kPackagesKey);
  std::vector<AnsiString> names;
  for (std::size_t at = 0; at < list.size();) {
    std::size_t end = list.find(kSeparator, at);
    if (end == AnsiString::npos) end = list.size();
    if (end > at) names.push_back(list.substr(at, end - at));
    at = end + 1;
  }
  return names;
}

// Both names mean one file of the installation, as the platform the program
// is made for finds files (ASCII case aside). Where the system itself finds
// files regardless of case, the names stay as given, and only the file they
// open tells that they are one.
bool SameName(const AnsiString& appDir, const AnsiString& a, const AnsiString& b) {
  const AnsiString pa = InstalledPath(appDir, a), pb = InstalledPath(appDir, b);
  return pa == pb || platform::SameFile(pa, pb);
}

// The names whose files are still there, but for Name.
std::vector<AnsiString> OthersStillThere(const AnsiString& appDir, const AnsiString& name) {
  std::vector<AnsiString> kept;
  for (const AnsiString& n : Recorded(appDir))
    if (!SameName(appDir, n, name) && platform::FileExists(InstalledPath(appDir, n))) kept.push_back(n);
  return kept;
}

AnsiString Joined(const std::vector<AnsiString>& names) {
  AnsiString out;
  for (const AnsiString& n : names) out += (out.empty() ? "" : AnsiString(1, kSeparator)) + n;
  return out;
}

}  // namespace

bool IsPackageLeftHere(const AnsiString& AppDir, const AnsiString& Name) {
  for (const AnsiString& n : Recorded(AppDir))
    if (SameName(AppDir, n, Name)) return true;
  return false;
}

Result<> RecordPackageLeft(const AnsiString& AppDir, const AnsiString& Name) {
  std::vector<AnsiString> names = OthersStillThere(AppDir, Name);
  names.push_back(Name);
  try {
    WriteIniValue(AppDir + kIniFileName, kVersionSection, kPackagesKey, Joined(names));
  } catch (const Exception& e) {
    return Refused{e.Message()};
  }
  return {};
}

void ForgetPackageLeft(const AnsiString& AppDir, const AnsiString& Name) {
  if (Recorded(AppDir).empty()) return;
  const std::vector<AnsiString> names = OthersStillThere(AppDir, Name);
  const AnsiString ini = AppDir + kIniFileName;
  if (names.empty()) platform::DeleteProfileKey(ini, kVersionSection, kPackagesKey);
  else platform::WriteProfileString(ini, kVersionSection, kPackagesKey, Joined(names));
}
