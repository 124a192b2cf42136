#include "platform/Files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/CodePage.h"

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
  char buf[256];
  const char* s = strerror_r(err, buf, sizeof buf);
  return s;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(ToOsPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(ToOsPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFile(const std::string& path) { return ::unlink(ToOsPath(path).c_str()) == 0; }

bool ForceDirectories(const std::string& path) {
  std::string os = ToOsPath(path);
  while (os.size() > 1 && os.back() == '/') os.pop_back();
  if (os.empty()) return false;
  struct stat st;
  if (::stat(os.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    errno = EEXIST;
    return false;
  }
  size_t slash = os.rfind('/');
  if (slash != std::string::npos && slash > 0 && !ForceDirectories(FromOsPath(os.substr(0, slash)))) {
    // Something other than a directory stands on the way.
    if (errno == EEXIST) errno = ENOTDIR;
    return false;
  }
  return ::mkdir(os.c_str(), 0755) == 0 || errno == EEXIST;
}

std::string ExecutablePath() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return FromOsPath(std::string(buf, static_cast<size_t>(n)));
}

}  // namespace platform
