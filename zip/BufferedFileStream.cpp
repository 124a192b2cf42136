#include "zip/BufferedFileStream.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/FileHandle.h"
#include "platform/Files.h"

TBufferedFileStream::TBufferedFileStream(const AnsiString& FileName, std::size_t bufferSize)
    : name_(FileName), buffer_(bufferSize) {
  fd_ = platform::OpenFile(platform::ToOsPath(FileName), platform::FileAccess::Read,
                           platform::FileCreation::OpenExisting);
  if (fd_ != platform::kNoFile && !platform::GetFileLength(fd_, size_)) {
    const int err = errno;
    platform::CloseFile(fd_);
    errno = err;
  }
  if (fd_ == platform::kNoFile)
    throw EFOpenError(Format("Cannot open file \"%s\". %s", FileName.c_str(), platform::ErrorText(errno).c_str()));
}

TBufferedFileStream::TBufferedFileStream(const AnsiString& FileName, const void* Content, std::size_t Size)
    : content_(static_cast<const std::uint8_t*>(Content)), name_(FileName), size_(static_cast<std::int64_t>(Size)) {}

TBufferedFileStream::~TBufferedFileStream() {
  platform::CloseFile(fd_);
}

bool TBufferedFileStream::Fill() {
  bufferStart_ = position_;
  bufferLength_ = 0;
  if (content_) return false;
  const std::ptrdiff_t n = platform::ReadFromFileAt(fd_, buffer_.data(), buffer_.size(), position_);
  if (n <= 0) return false;
  bufferLength_ = static_cast<std::size_t>(n);
  return true;
}

bool TBufferedFileStream::ReadByte(std::uint8_t& b) {
  if (content_) {
    if (position_ >= size_) return false;
    b = content_[position_++];
    return true;
  }
  if (position_ < bufferStart_ || position_ >= bufferStart_ + static_cast<std::int64_t>(bufferLength_)) {
    if (!Fill()) return false;
  }
  b = buffer_[static_cast<std::size_t>(position_ - bufferStart_)];
  ++position_;
  return true;
}

std::int64_t TBufferedFileStream::Read(void* Buffer, std::int64_t Count) {
  auto* out = static_cast<std::uint8_t*>(Buffer);
  if (content_) {
    const std::int64_t n = Count <= 0 || position_ >= size_ ? 0 : std::min(Count, size_ - position_);
    if (n > 0) std::memcpy(out, content_ + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
  }
  std::int64_t done = 0;
  while (Count > 0) {
    std::int64_t bufferEnd = bufferStart_ + static_cast<std::int64_t>(bufferLength_);
    if (position_ >= bufferStart_ && position_ < bufferEnd) {
      std::int64_t n = std::min(Count, bufferEnd - position_);
      std::memcpy(out, buffer_.data() + (position_ - bufferStart_), static_cast<std::size_t>(n));
      out += n, done += n, Count -= n, position_ += n;
      continue;
    }
    if (Count >= static_cast<std::int64_t>(buffer_.size())) {
      // A large read bypasses the buffer.
      const std::ptrdiff_t n = platform::ReadFromFileAt(fd_, out, static_cast<std::size_t>(Count), position_);
      if (n <= 0) break;
      out += n, done += n, Count -= n, position_ += n;
      continue;
    }
    if (!Fill()) break;
  }
  return done;
}

std::int64_t TBufferedFileStream::Write(const void*, std::int64_t) { return 0; }

std::int64_t TBufferedFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  std::int64_t base = Origin == TSeekOrigin::soBeginning ? 0 : Origin == TSeekOrigin::soCurrent ? position_ : size_;
  // Offsets come from archive fields; one past the largest position is as good
  // as any other position beyond the end, and cannot overflow.
  std::int64_t p = Offset > 0 && base > INT64_MAX - Offset ? INT64_MAX : base + Offset;
  position_ = p < 0 ? 0 : p;
  return position_;
}

void TBufferedFileStream::SetSize(std::int64_t) { throw EStreamError("Stream is read-only"); }
