#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/Files.h"

namespace platform {
namespace {

std::atomic<unsigned> g_tempCounter{0};

bool WriteAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) {
      errno = ENOSPC;
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

// The directory entry of the rename must reach the disk too, or a crash could
// bring the old name back; a directory that refuses fsync is no error.
void SyncDirectory(const std::string& dir) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool ReplaceFileContent(const std::string& path, const void* data, std::size_t size) {
  return ReplaceFileContent(path, data, size, nullptr);
}

bool ReplaceFileContent(const std::string& path, const void* data, std::size_t size,
                        const std::function<bool()>& commit) {
  const std::string os = ToOsPath(path);
  const std::size_t slash = os.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : os.substr(0, slash));
  const std::string base = slash == std::string::npos ? os : os.substr(slash + 1);
  if (base.empty()) {
    errno = EISDIR;
    return false;
  }

  struct stat st;
  bool existed = ::stat(os.c_str(), &st) == 0;
  if (existed) {
    if (!S_ISREG(st.st_mode)) {
      errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
      return false;
    }
    // A read-only file stays read-only: replacing it by rename would get past
    // the protection that a direct write honours.
    if (::access(os.c_str(), W_OK) != 0) return false;
  } else if (errno != ENOENT) {
    return false;
  }

  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = dir + "/." + base + "." + std::to_string(::getpid()) + "." + std::to_string(g_tempCounter++) + ".tmp";
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  bool ok = WriteAll(fd, static_cast<const char*>(data), size);
  if (ok && existed) ok = ::fchmod(fd, st.st_mode & 07777) == 0;
  if (ok) ok = ::fsync(fd) == 0;
  int savedErrno = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (ok && commit && !commit()) {
    ok = false;
    savedErrno = ECANCELED;
  }
  if (ok && ::rename(temp.c_str(), os.c_str()) != 0) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    errno = savedErrno;
    return false;
  }
  SyncDirectory(dir);
  return true;
}

}  // namespace platform
