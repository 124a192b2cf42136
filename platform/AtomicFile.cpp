#include "platform/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

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

// Temporary names for base: "." + base + "." + pid + "." + counter + ".tmp".
bool IsTemporaryNameOf(const char* name, const std::string& base) {
  const std::size_t n = std::strlen(name);
  if (n < base.size() + 6 || name[0] != '.' || std::strncmp(name + 1, base.data(), base.size()) != 0 ||
      name[base.size() + 1] != '.' || std::strcmp(name + n - 4, ".tmp") != 0)
    return false;
  int dots = 0;
  for (const char* p = name + base.size() + 2; p < name + n - 4; ++p) {
    if (*p == '.') ++dots;
    else if (*p < '0' || *p > '9') return false;
  }
  return dots == 1;
}

}  // namespace

void RemoveUnheldTemporaryFiles(const std::string& dir, const std::function<bool(const char* name)>& ours) {
  int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return;
  DIR* d = ::fdopendir(dirFd);
  if (!d) {
    ::close(dirFd);
    return;
  }
  while (dirent* e = ::readdir(d)) {
    if (!ours(e->d_name)) continue;
    int fd = ::openat(dirFd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    // A running writer holds a lock on its file as long as it writes it.
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlinkat(dirFd, e->d_name, 0);
    ::close(fd);
  }
  ::closedir(d);
}

void SyncDirectory(const std::string& dir) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool FileReplacement::Open(const std::string& path) {
  Discard();
  target_ = ToOsPath(path);
  const std::size_t slash = target_.rfind('/');
  dir_ = slash == std::string::npos ? "." : (slash == 0 ? "/" : target_.substr(0, slash));
  const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  if (base.empty()) {
    errno = EISDIR;
    return false;
  }

  struct stat st;
  existed_ = ::stat(target_.c_str(), &st) == 0;
  if (existed_) {
    if (!S_ISREG(st.st_mode)) {
      errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
      return false;
    }
    // A read-only file stays read-only: replacing it by rename would get past
    // the protection that a direct write honours.
    if (::access(target_.c_str(), W_OK) != 0) return false;
    mode_ = st.st_mode & 07777;
  } else if (errno != ENOENT) {
    return false;
  }

  RemoveUnheldTemporaryFiles(dir_, [&](const char* name) { return IsTemporaryNameOf(name, base); });
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temp_ = dir_ + "/." + base + "." + std::to_string(::getpid()) + "." + std::to_string(g_tempCounter++) + ".tmp";
    fd_ = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    temp_.clear();
    return false;
  }
  ::flock(fd_, LOCK_EX);
  return true;
}

bool FileReplacement::Write(const void* data, std::size_t size) {
  return WriteAll(fd_, static_cast<const char*>(data), size);
}

bool FileReplacement::Commit(bool durable, const std::function<bool()>& check) {
  bool ok = fd_ >= 0;
  int savedErrno = ok ? 0 : EBADF;
  if (ok && existed_ && ::fchmod(fd_, mode_) != 0) ok = false, savedErrno = errno;
  if (ok && durable && ::fsync(fd_) != 0) ok = false, savedErrno = errno;
  if (ok && check && !check()) ok = false, savedErrno = ECANCELED;
  if (ok && ::rename(temp_.c_str(), target_.c_str()) != 0) ok = false, savedErrno = errno;
  if (!ok) {
    Discard();
    errno = savedErrno;
    return false;
  }
  temp_.clear();
  ::close(fd_);
  fd_ = -1;
  // The directory entry of the rename must reach the disk too, or a crash
  // could bring the old name back.
  if (durable) SyncDirectory(dir_);
  return true;
}

void FileReplacement::Discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

bool MoveFileInto(const std::string& from, const std::string& to, bool durable) {
  const std::string source = ToOsPath(from), target = ToOsPath(to);
  int fd = ::open(source.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat st;
  bool ok = true;
  if (::stat(target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL, ok = false;
    else if (::access(target.c_str(), W_OK) != 0) ok = false;
    else if (::fchmod(fd, st.st_mode & 07777) != 0) ok = false;
  } else if (errno != ENOENT) {
    ok = false;
  }
  if (ok && durable && ::fsync(fd) != 0) ok = false;
  const int savedErrno = errno;
  ::close(fd);
  if (!ok) {
    errno = savedErrno;
    return false;
  }
  if (::rename(source.c_str(), target.c_str()) != 0) return false;
  if (durable) {
    const std::size_t slash = target.rfind('/');
    SyncDirectory(slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash)));
  }
  return true;
}

bool ReplaceFileContent(const std::string& path, const void* data, std::size_t size) {
  return ReplaceFileContent(path, data, size, nullptr);
}

bool ReplaceFileContent(const std::string& path, const void* data, std::size_t size,
                        const std::function<bool()>& commit) {
  FileReplacement file;
  if (!file.Open(path)) return false;
  if (!file.Write(data, size)) {
    const int e = errno;
    file.Discard();
    errno = e;
    return false;
  }
  return file.Commit(true, commit);
}

}  // namespace platform
