#include "core/Streams.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/FileHandle.h"
#include "platform/Files.h"
#include "platform/LargeBlocks.h"

std::int64_t TStream::Size() {
  std::int64_t pos = Seek(0, TSeekOrigin::soCurrent);
  std::int64_t end = Seek(0, TSeekOrigin::soEnd);
  Seek(pos, TSeekOrigin::soBeginning);
  return end;
}

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  auto* p = static_cast<std::uint8_t*>(Buffer);
  while (Count > 0) {
    std::int64_t n = Read(p, Count);
    if (n <= 0) throw EReadError("Stream read error");
    p += n;
    Count -= n;
  }
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  auto* p = static_cast<const std::uint8_t*>(Buffer);
  while (Count > 0) {
    std::int64_t n = Write(p, Count);
    if (n <= 0) throw EWriteError("Stream write error");
    p += n;
    Count -= n;
  }
}

std::int64_t TStream::CopyFrom(TStream& Source, std::int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  std::int64_t total = Count;
  std::unique_ptr<std::uint8_t[]> buf(new std::uint8_t[65536]);
  while (Count > 0) {
    std::int64_t n = Count > 65536 ? 65536 : Count;
    Source.ReadBuffer(buf.get(), n);
    WriteBuffer(buf.get(), n);
    Count -= n;
  }
  return total;
}

namespace {

// Large blocks are mappings of their own, which grow without copying. Their
// pages are committed only as they are written, so room reserved for bytes
// that never come costs no memory.
constexpr std::int64_t kMapFrom = 8 << 20;
constexpr std::int64_t kPageRound = 64 << 10;

std::int64_t RoundUp(std::int64_t n) { return (n + kPageRound - 1) & ~(kPageRound - 1); }

}  // namespace

TMemoryStream::~TMemoryStream() { Clear(); }

void TMemoryStream::SetCapacity(std::int64_t NewCapacity) {
  if (NewCapacity < 0) throw EStreamError("Invalid stream size");
  if (NewCapacity <= capacity_) return;
  if (NewCapacity < kMapFrom && !mapped_) {
    void* p = std::realloc(data_, static_cast<size_t>(NewCapacity));
    if (!p) throw EOutOfMemory("Out of memory");
    data_ = static_cast<std::uint8_t*>(p);
    capacity_ = NewCapacity;
    return;
  }
  std::int64_t bytes = RoundUp(NewCapacity);
  void* p = mapped_ ? platform::ResizeLargeBlock(data_, static_cast<size_t>(capacity_), static_cast<size_t>(bytes))
                    : platform::AllocateLargeBlock(static_cast<size_t>(bytes));
  if (!p) throw EOutOfMemory("Out of memory");
  if (!mapped_) {
    if (size_) std::memcpy(p, data_, static_cast<size_t>(size_));
    std::free(data_);
    mapped_ = true;
  }
  data_ = static_cast<std::uint8_t*>(p);
  capacity_ = bytes;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Invalid stream size");
  if (NewSize > capacity_) SetCapacity(NewSize);
  size_ = NewSize;
  if (position_ > size_) position_ = size_;
}

void TMemoryStream::Clear() {
  if (mapped_) platform::FreeLargeBlock(data_, static_cast<size_t>(capacity_));
  else std::free(data_);
  mapped_ = false;
  data_ = nullptr;
  size_ = capacity_ = position_ = 0;
}

std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count) {
  if (Count <= 0 || position_ >= size_) return 0;
  std::int64_t n = std::min(Count, size_ - position_);
  std::memcpy(Buffer, data_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0) return 0;
  std::int64_t end = position_ + Count;
  if (end > capacity_) {
    // Grow geometrically so a stream written in small blocks copies its data
    // a logarithmic number of times.
    std::int64_t want = std::max(end, capacity_ + capacity_ / 2);
    want = (want + 0xFFFF) & ~std::int64_t(0xFFFF);
    SetCapacity(want);
  }
  std::memcpy(data_ + position_, Buffer, static_cast<size_t>(Count));
  position_ = end;
  if (end > size_) size_ = end;
  return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  std::int64_t base = Origin == TSeekOrigin::soBeginning ? 0 : Origin == TSeekOrigin::soCurrent ? position_ : size_;
  std::int64_t p = base + Offset;
  if (p < 0) p = 0;
  position_ = p;
  return position_;
}

void TMemoryStream::LoadFromStream(TStream& s) {
  s.SetPosition(0);
  std::int64_t n = s.Size();
  SetSize(n);
  if (n) s.ReadBuffer(data_, n);
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const AnsiString& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(f);
}

void TMemoryStream::SaveToStream(TStream& s) {
  if (size_) s.WriteBuffer(data_, size_);
}

void TMemoryStream::SaveToFile(const AnsiString& FileName) {
  TFileStream f(FileName, fmCreate);
  SaveToStream(f);
}

TFileStream::TFileStream(const AnsiString& FileName, unsigned Mode) : name_(FileName) {
  using platform::FileAccess;
  using platform::FileCreation;
  const std::string os = platform::ToOsPath(FileName);
  if (Mode == fmCreate || (Mode & 0xFF00) == fmCreate) {
    fd_ = platform::OpenFile(os, FileAccess::ReadWrite, FileCreation::CreateAlways);
    if (fd_ == platform::kNoFile)
      throw EFCreateError(Format("Cannot create file \"%s\". %s", FileName.c_str(), platform::ErrorText(errno).c_str()));
    return;
  }
  const FileAccess access = (Mode & 3) == fmOpenWrite       ? FileAccess::Write
                            : (Mode & 3) == fmOpenReadWrite ? FileAccess::ReadWrite
                                                            : FileAccess::Read;
  fd_ = platform::OpenFile(os, access, FileCreation::OpenExisting);
  if (fd_ == platform::kNoFile)
    throw EFOpenError(Format("Cannot open file \"%s\". %s", FileName.c_str(), platform::ErrorText(errno).c_str()));
}

TFileStream::~TFileStream() { platform::CloseFile(fd_); }

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count) {
  if (Count <= 0) return 0;
  const std::ptrdiff_t n = platform::ReadFromFile(fd_, Buffer, static_cast<size_t>(Count));
  return n < 0 ? 0 : n;
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0) return 0;
  const std::ptrdiff_t n = platform::WriteToFile(fd_, Buffer, static_cast<size_t>(Count));
  return n < 0 ? 0 : n;
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  return platform::SeekFile(fd_, Offset, Origin == TSeekOrigin::soBeginning ? 0 : Origin == TSeekOrigin::soCurrent ? 1 : 2);
}

void TFileStream::SetSize(std::int64_t NewSize) {
  if (!platform::SetFileLength(fd_, NewSize)) throw EStreamError("Stream write error");
  if (Position() > NewSize) SetPosition(NewSize);
}
