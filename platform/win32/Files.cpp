// Names on Windows: the system finds files without regard to case, so a name
// resolves to itself; one file is known by its volume and file index.
#include <windows.h>

#include "platform/Files.h"
#include "platform/win32/Win32Text.h"

namespace platform {

std::string NameCaseResolver::Resolve(const std::string& path) { return path; }
void NameCaseResolver::Added(const std::string&) {}
const std::map<std::string, std::string>& NameCaseResolver::Listing(const std::string& dir) { return listings_[dir]; }

std::string ResolveNameCase(const std::string& path) { return path; }

namespace {
bool IdentityOf(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
  HANDLE h = CreateFileW(win32::WidePath(ToOsPath(path)).c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  return ok;
}
}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION ia, ib;
  return IdentityOf(a, ia) && IdentityOf(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

}  // namespace platform
