#include "app/update/Installation.h"

#include "app/update/PathText.h"
#include "platform/Files.h"

AnsiString GetAppDir() {
  AnsiString exe = platform::ExecutablePath();
  std::size_t cut = LastSeparator(exe, "/");
  return cut == AnsiString::npos ? AnsiString() : exe.substr(0, cut + 1);
}

AnsiString InstalledPath(const AnsiString& AppDir, const AnsiString& Name) {
  return platform::ResolveNameCase(AppDir + Name);
}
