// Owner-only files on Linux: the permission bits.
#include "platform/OwnerOnlyFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

FileHandle CreateOwnerOnlyFile(const std::string& osPath) {
  const int fd = ::open(osPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return kNoFile;
  // The umask may have taken bits away, never added them; set them outright.
  if (::fchmod(fd, 0600) != 0) {
    const int e = errno;
    ::close(fd);
    ::unlink(osPath.c_str());
    errno = e;
    return kNoFile;
  }
  return fd;
}

bool OthersMayRead(FileHandle file, bool& mayRead) {
  struct stat st;
  if (::fstat(static_cast<int>(file), &st) != 0) return false;
  mayRead = (st.st_mode & 077) != 0;
  return true;
}

}  // namespace platform
