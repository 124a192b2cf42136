#include "app/update/Installation.h"

#include "app/update/PathText.h"
#include "core/SysUtils.h"
#include "platform/Files.h"
#include "zip/ZipOutputFile.h"

AnsiString GetAppDir() {
  AnsiString exe = platform::ExecutablePath();
  std::size_t cut = LastSeparator(exe, "/");
  return cut == AnsiString::npos ? AnsiString() : exe.substr(0, cut + 1);
}

AnsiString InstalledPath(const AnsiString& AppDir, const AnsiString& Name) {
  return platform::ResolveNameCase(AppDir + Name);
}

Result<> CheckInstallationWritable(const AnsiString& AppDir) {
  // A probe of the extractor's own temporary kind: one a kill leaves behind
  // goes at the next start with the others.
  zip::TempOutputFile probe;
  if (probe.Create(AppDir + "probe")) return {};
  const int error = errno;
  return Refused{Format("Cannot write to \"%s\". %s", AppDir.c_str(), platform::ErrorText(error).c_str())};
}
