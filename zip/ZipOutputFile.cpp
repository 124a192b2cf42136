#include "zip/ZipOutputFile.h"

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
#include <random>

#include "platform/AtomicFile.h"
#include "platform/FileAttributes.h"
#include "platform/Files.h"
#include "platform/PathNames.h"
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

bool IsTemporaryFileName(const std::string& name) {
  return name.find('\0') == std::string::npos && IsTemporaryName(name.c_str());
}

std::string FreeTemporaryName(const std::string& osDirectory, std::set<std::string>& taken) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  while (true) {
    std::string name = kTempPrefix;
    for (int i = 0; i < 6; ++i) name += kLetters[pick(random)];
    if (platform::KindOfOsPath(platform::JoinPath(osDirectory, name)) == platform::PathKind::kMissing &&
        taken.insert(name).second)
      return name;
  }
}

void RemoveStaleTemporaryFiles(const AnsiString& directory) {
  platform::RemoveUnheldTemporaryFiles(directory.empty() ? std::string(".") : platform::ToOsPath(directory),
                                       IsTemporaryName);
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

bool TempOutputFile::Finish(std::int64_t unixTime, unsigned mode, bool flushToDisk) {
  if (!FlushBuffer()) return false;
  if (flushToDisk && wroteAnything_ && ::fsync(fd_) != 0) return false;
  platform::SetFileTimeOfHandle(fd_, unixTime);
  platform::SetModeOfHandle(fd_, mode);
  return true;
}

FinishedFile TempOutputFile::Detach() {
  FinishedFile f{fd_, std::move(osTemp_), std::move(osTarget_)};
  fd_ = -1;
  osTemp_.clear();
  return f;
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
