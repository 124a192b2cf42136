#include "platform/Files.h"

#include <cerrno>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/FileHandle.h"
#include "platform/PathNames.h"

namespace platform {

std::string ToOsPath(const std::string& p) { return Cp936ToUtf8(p); }
std::optional<std::string> ToOsPathExact(const std::string& p) {
  if (p.find('\0') != std::string::npos) return std::nullopt;
  return Cp936ToUtf8Exact(p);
}

std::string FromOsPath(const std::string& p) {
  if (!IsValidUtf8(p)) return p;
  return Utf8ToCp936Exact(p).value_or(Utf8ToCp936(p));
}

std::string ErrorText(int err) {
#ifdef _WIN32
  // The Windows C runtime keeps the text per thread.
  return std::strerror(err);
#else
  char buf[256];
  const char* s = strerror_r(err, buf, sizeof buf);
  return s;
#endif
}

namespace {
PathStatus::Kind KindOf(const std::string& path) {
  PathStatus status;
  if (path.empty() || !GetPathStatus(ToOsPath(path), status)) return PathStatus::Missing;
  return status.kind;
}
}  // namespace

bool FileExists(const std::string& path) { return KindOf(path) == PathStatus::File; }
bool DirectoryExists(const std::string& path) { return KindOf(path) == PathStatus::Directory; }
bool DeleteFile(const std::string& path) { return RemoveFile(ToOsPath(path)); }

bool ForceDirectories(const std::string& path) {
  std::string os = ToOsPath(path);
  while (os.size() > RootLength(os) && IsPathSeparator(os.back())) os.pop_back();
  if (os.empty()) return false;
  PathStatus status;
  if (GetPathStatus(os, status) && status.kind != PathStatus::Missing) {
    if (status.kind == PathStatus::Directory) return true;
    errno = EEXIST;
    return false;
  }
  const std::size_t last = LastSeparator(os);
  if (last != std::string::npos && last > 0 && !ForceDirectories(FromOsPath(os.substr(0, last)))) {
    // Something other than a directory stands on the way.
    if (errno == EEXIST) errno = ENOTDIR;
    return false;
  }
  return MakeDirectory(os) || errno == EEXIST;
}

}  // namespace platform
