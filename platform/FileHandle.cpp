// Open files on Linux: file descriptors; a held file carries an exclusive
// flock, which a cleanup that finds the file tests without waiting.
#include "platform/FileHandle.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace platform {
namespace {

int Fd(FileHandle f) { return static_cast<int>(f); }

template <typename Call>
auto RetryInterrupted(Call call) {
  decltype(call()) r;
  do r = call();
  while (r < 0 && errno == EINTR);
  return r;
}

}  // namespace

FileHandle OpenFile(const std::string& osPath, FileAccess access, FileCreation creation) {
  int flags = access == FileAccess::Read ? O_RDONLY : access == FileAccess::Write ? O_WRONLY : O_RDWR;
  if (creation == FileCreation::CreateAlways) flags |= O_CREAT | O_TRUNC;
  if (creation == FileCreation::CreateNew) flags |= O_CREAT | O_EXCL;
  // O_NONBLOCK: opening a FIFO must not wait for its other end before it is refused.
  const int fd = RetryInterrupted([&] { return ::open(osPath.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666); });
  if (fd < 0) return kNoFile;
  struct stat st {};
  const bool looked = ::fstat(fd, &st) == 0;
  if (!looked || !S_ISREG(st.st_mode)) {
    const int error = !looked ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    errno = error;
    return kNoFile;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

void CloseFile(FileHandle& file) {
  if (file != kNoFile) ::close(Fd(file));
  file = kNoFile;
}

std::ptrdiff_t ReadFromFile(FileHandle file, void* buffer, std::size_t size) {
  return RetryInterrupted([&] { return ::read(Fd(file), buffer, size); });
}

std::ptrdiff_t WriteToFile(FileHandle file, const void* data, std::size_t size) {
  return RetryInterrupted([&] { return ::write(Fd(file), data, size); });
}

std::ptrdiff_t ReadFromFileAt(FileHandle file, void* buffer, std::size_t size, std::int64_t offset) {
  return RetryInterrupted([&] { return ::pread(Fd(file), buffer, size, offset); });
}

std::ptrdiff_t WriteToFileAt(FileHandle file, const void* data, std::size_t size, std::int64_t offset) {
  return RetryInterrupted([&] { return ::pwrite(Fd(file), data, size, offset); });
}

std::int64_t SeekFile(FileHandle file, std::int64_t offset, int origin) {
  const off_t r = ::lseek(Fd(file), offset, origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END);
  return r < 0 ? -1 : r;
}

bool SetFileLength(FileHandle file, std::int64_t length) {
  return RetryInterrupted([&] { return ::ftruncate(Fd(file), length); }) == 0;
}

bool GetFileLength(FileHandle file, std::int64_t& length) {
  struct stat st;
  if (::fstat(Fd(file), &st) != 0) return false;
  length = st.st_size;
  return true;
}

bool SyncFile(FileHandle file) { return ::fsync(Fd(file)) == 0; }

bool SyncClosedFile(const std::string& osPath) {
  // Read access is enough for fsync, and a file given a read-only mode allows no more.
  const int fd = RetryInterrupted([&] { return ::open(osPath.c_str(), O_RDONLY | O_CLOEXEC); });
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  const int e = errno;
  ::close(fd);
  errno = e;
  return ok;
}

void StartWriteBack(FileHandle file) { ::sync_file_range(Fd(file), 0, 0, SYNC_FILE_RANGE_WRITE); }

bool ReserveFileSpace(FileHandle file, std::uint64_t size) {
  if (size == 0) return true;
  const off_t length = size > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<off_t>(size);
  const int r = RetryInterrupted([&] { return ::fallocate(Fd(file), 0, 0, length); });
  return r == 0 || (errno != ENOSPC && errno != EFBIG && errno != EDQUOT);
}

bool GetPathStatus(const std::string& osPath, PathStatus& status) {
  status = PathStatus();
  struct stat st;
  if (::stat(osPath.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR;
  status.kind = S_ISREG(st.st_mode) ? PathStatus::File : S_ISDIR(st.st_mode) ? PathStatus::Directory : PathStatus::Other;
  status.writable = ::access(osPath.c_str(), W_OK) == 0;
  status.permissions = st.st_mode & 07777;
  status.size = st.st_size;
  status.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

bool SetFilePermissions(FileHandle file, unsigned permissions) {
  return ::fchmod(Fd(file), static_cast<mode_t>(permissions)) == 0;
}

FileHandle OpenHeldFile(const std::string& osPath, FileCreation creation) {
  FileHandle fd = OpenFile(osPath, FileAccess::ReadWrite, creation);
  if (fd != kNoFile) ::flock(Fd(fd), LOCK_EX);
  return fd;
}

bool RenameHeldFile(FileHandle&, const std::string& osFrom, const std::string& osTo) {
  return ::rename(osFrom.c_str(), osTo.c_str()) == 0;
}

bool MakeDirectory(const std::string& osPath) { return ::mkdir(osPath.c_str(), 0755) == 0; }

bool RemoveFile(const std::string& osPath) { return ::unlink(osPath.c_str()) == 0; }

bool RemoveEmptyDirectory(const std::string& osPath) { return ::rmdir(osPath.c_str()) == 0; }

void RemoveIfUnheld(const std::string& osPath) {
  const int fd = ::open(osPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  // A running writer holds a lock on its file as long as it writes it.
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) ::unlink(osPath.c_str());
  ::close(fd);
}

bool ListDirectory(const std::string& osDirectory, const std::function<void(const std::string& name)>& each) {
  DIR* d = ::opendir(osDirectory.empty() ? "." : osDirectory.c_str());
  if (!d) return false;
  while (dirent* e = ::readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") each(name);
  }
  ::closedir(d);
  return true;
}

void SyncDirectory(const std::string& osDirectory) {
  const int fd = ::open(osDirectory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace platform
