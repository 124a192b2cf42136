// Operations on operating-system paths: what stands there, removal, renames.
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Files.h"

namespace platform {

PathKind KindOfOsPath(const std::string& osPath) {
  struct stat st;
  if (osPath.empty() || ::stat(osPath.c_str(), &st) != 0) return PathKind::kMissing;
  if (S_ISREG(st.st_mode)) return PathKind::kFile;
  return S_ISDIR(st.st_mode) ? PathKind::kDirectory : PathKind::kOther;
}

bool RemoveOsFile(const std::string& osPath) { return ::unlink(osPath.c_str()) == 0; }

bool RemoveOsDirectory(const std::string& osPath) { return ::rmdir(osPath.c_str()) == 0; }

bool RenameOsFile(const std::string& osFrom, const std::string& osTo) {
  return ::rename(osFrom.c_str(), osTo.c_str()) == 0;
}

}  // namespace platform
