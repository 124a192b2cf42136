#include "zip/ZipOutputFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/FileAttributes.h"
#include "platform/Files.h"
#include "zip/ZipErrors.h"

namespace zip {

namespace {
constexpr std::size_t kWriteBuffer = 8192;

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

TempOutputFile::~TempOutputFile() { Discard(); }

bool TempOutputFile::Create(const AnsiString& target) {
  osTarget_ = platform::ToOsPath(target);
  std::size_t slash = osTarget_.rfind('/');
  std::string dir = slash == std::string::npos ? std::string() : osTarget_.substr(0, slash + 1);
  std::string templ = dir + ".quelbo-unzip-XXXXXX";
  fd_ = ::mkostemp(templ.data(), O_CLOEXEC);
  if (fd_ < 0) return false;
  osTemp_ = templ;
  buffer_.resize(kWriteBuffer);
  return true;
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

TempOutputFile::CommitResult TempOutputFile::Commit(std::int64_t unixTime, unsigned mode, bool flushToDisk) {
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

}  // namespace zip
