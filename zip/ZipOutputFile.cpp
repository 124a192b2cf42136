#include "zip/ZipOutputFile.h"

#include <cctype>
#include <cstring>
#include <random>

#include "platform/AtomicFile.h"
#include "platform/FileAttributes.h"
#include "platform/FileHandle.h"
#include "platform/Files.h"
#include "platform/PathNames.h"
#include "zip/ZipErrors.h"

namespace zip {

namespace {
constexpr std::size_t kWriteBuffer = 8192;
// Temporary files are this prefix and six letters or digits.
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
    platform::PathStatus status;
    if (platform::GetPathStatus(platform::JoinPath(osDirectory, name), status) &&
        status.kind == platform::PathStatus::Missing && taken.insert(name).second)
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
  const std::size_t last = platform::LastSeparator(osTarget_);
  const std::size_t root = platform::RootLength(osTarget_);
  const std::string dir = last != std::string::npos ? osTarget_.substr(0, last + 1) : osTarget_.substr(0, root);
  fd_ = platform::CreateHeldTemporaryFile(dir, kTempPrefix, osTemp_);
  if (fd_ == platform::kNoFile) return false;
  buffer_.resize(kWriteBuffer);
  return true;
}

bool TempOutputFile::Reserve(std::uint64_t size) { return platform::ReserveFileSpace(fd_, size); }

bool TempOutputFile::FlushBuffer() {
  if (buffered_ == 0) return true;
  bool ok = platform::WriteAllToFile(fd_, buffer_.data(), buffered_);
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
  if (!FlushBuffer() || !platform::WriteAllToFile(fd_, data, length)) throw ECantWriteUCF(zipmsg::kCantWrite);
}

bool TempOutputFile::Finish(std::int64_t unixTime, unsigned mode, bool flushToDisk) {
  if (!FlushBuffer()) return false;
  if (flushToDisk && wroteAnything_ && !platform::SyncFile(fd_)) return false;
  platform::SetFileTimeOfHandle(fd_, unixTime);
  platform::SetModeOfHandle(fd_, mode);
  return true;
}

FinishedFile TempOutputFile::Detach() {
  FinishedFile f{fd_, std::move(osTemp_), std::move(osTarget_)};
  fd_ = platform::kNoFile;
  osTemp_.clear();
  return f;
}

void TempOutputFile::Discard() {
  platform::CloseFile(fd_);
  if (!osTemp_.empty()) {
    platform::RemoveFile(osTemp_);
    osTemp_.clear();
  }
}

}  // namespace zip
