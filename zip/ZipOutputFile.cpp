#include "zip/ZipOutputFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/FileAttributes.h"
#include "platform/Files.h"
#include "zip/ZipErrors.h"

namespace zip {

namespace {
constexpr std::size_t kWriteBuffer = 8192;
// Temporary files are this prefix and the six letters or digits of mkostemp.
constexpr const char kTempPrefix[] = ".quelbo-unzip-";
constexpr std::size_t kTempPrefixLength = sizeof kTempPrefix - 1;

bool IsTemporaryName(const char* name) {
  if (std::strncmp(name, kTempPrefix, kTempPrefixLength) != 0) return false;
  const char* tail = name + kTempPrefixLength;
  if (std::strlen(tail) != 6) return false;
  for (const char* p = tail; *p; ++p)
    if (!std::isalnum(static_cast<unsigned char>(*p))) return false;
  return true;
}

bool WriteAll(int fd, const std::uint8_t* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}
}  // namespace

void RemoveStaleTemporaryFiles(const AnsiString& directory) {
  const std::string dir = directory.empty() ? std::string(".") : platform::ToOsPath(directory);
  int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return;
  DIR* d = ::fdopendir(dirFd);
  if (!d) {
    ::close(dirFd);
    return;
  }
  while (dirent* e = ::readdir(d)) {
    if (!IsTemporaryName(e->d_name)) continue;
    int fd = ::openat(dirFd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    // A running extraction holds a lock on its file as long as it writes it.
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlinkat(dirFd, e->d_name, 0);
    ::close(fd);
  }
  ::closedir(d);
}

TempOutputFile::~TempOutputFile() { Discard(); }

bool TempOutputFile::Create(const AnsiString& target) {
  osTarget_ = platform::ToOsPath(target);
  std::size_t slash = osTarget_.rfind('/');
  std::string dir = slash == std::string::npos ? std::string() : osTarget_.substr(0, slash + 1);
  std::string templ = dir + kTempPrefix + "XXXXXX";
  fd_ = ::mkostemp(templ.data(), O_CLOEXEC);
  if (fd_ < 0) return false;
  ::flock(fd_, LOCK_EX);
  osTemp_ = templ;
  buffer_.resize(kWriteBuffer);
  return true;
}

bool TempOutputFile::Reserve(std::uint64_t size) {
  if (size == 0) return true;
  const off_t length = size > static_cast<std::uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<off_t>(size);
  int r;
  do r = ::fallocate(fd_, 0, 0, length);
  while (r != 0 && errno == EINTR);
  return r == 0 || (errno != ENOSPC && errno != EFBIG && errno != EDQUOT);
}

bool TempOutputFile::FlushBuffer() {
  if (buffered_ == 0) return true;
  bool ok = WriteAll(fd_, buffer_.data(), buffered_);
  buffered_ = 0;
  return ok;
}

void TempOutputFile::Write(const std::uint8_t* data, std::size_t length) {
  wroteAnything_ = wroteAnything_ || length > 0;
  if (buffered_ + length <= kWriteBuffer) {
    std::memcpy(buffer_.data() + buffered_, data, length);
    buffered_ += length;
    return;
  }
  if (!FlushBuffer() || !WriteAll(fd_, data, length)) throw ECantWriteUCF(zipmsg::kCantWrite);
}

MemberOutput::CommitResult TempOutputFile::Commit(std::int64_t unixTime, unsigned mode, bool flushToDisk) {
  if (!FlushBuffer()) return CommitResult::WriteFailed;
  if (flushToDisk && wroteAnything_ && ::fsync(fd_) != 0) return CommitResult::WriteFailed;
  platform::SetFileTimeOfHandle(fd_, unixTime);
  platform::SetModeOfHandle(fd_, mode);
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) return CommitResult::WriteFailed;
  if (::rename(osTemp_.c_str(), osTarget_.c_str()) != 0) return CommitResult::RenameFailed;
  osTemp_.clear();
  return CommitResult::Ok;
}

void TempOutputFile::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!osTemp_.empty()) {
    ::unlink(osTemp_.c_str());
    osTemp_.clear();
  }
}

namespace {
class Disk : public ExtractionTarget {
 public:
  std::unique_ptr<MemberOutput> CreateMember(const AnsiString& path) override {
    auto out = std::make_unique<TempOutputFile>();
    if (!out->Create(path)) return nullptr;
    return out;
  }
  bool ForceDirectories(const AnsiString& path) override { return platform::ForceDirectories(path); }
};
}  // namespace

ExtractionTarget& DiskTarget() {
  static Disk disk;
  return disk;
}

}  // namespace zip
