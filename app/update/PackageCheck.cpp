#include "app/update/PackageCheck.h"

#include <algorithm>

#include "app/update/PackageHasher.h"

TPackageCheck::TPackageCheck(std::optional<release::Sha256Digest> Sha256, std::optional<std::int64_t> Size,
                             platform::FileHandle Fd)
    : sha256_(Sha256), size_(Size) {
  if (!sha256_) return;
  if (Fd >= 0) hasher_ = std::make_unique<TPackageHasher>(Fd);
  else hasher_ = std::make_unique<TPackageHasher>();
}

TPackageCheck::~TPackageCheck() = default;

void TPackageCheck::Writing(std::int64_t At, std::int64_t Count) {
  Resizing(At + Count);
  if (At < offered_) rewritten_ = true;
}

void TPackageCheck::Resizing(std::int64_t NewSize) {
  if (size_ && NewSize > *size_)
    throw EPackageRefused(
        Format("The package is larger than the %lld bytes announced", static_cast<long long>(*size_)));
  if (NewSize < offered_) rewritten_ = true;
}

void TPackageCheck::Written(const std::uint8_t* Base, std::int64_t End) {
  if (!hasher_ || rewritten_ || End <= offered_) return;
  offered_ = End;
  hasher_->Offer(Base, End);
}

void TPackageCheck::Drain() {
  if (hasher_) hasher_->Drain();
}

Result<> TPackageCheck::SizeVerdict(std::int64_t Size) const {
  if (!size_ || Size == *size_) return {};
  return Refused{Format("The package has %lld bytes instead of the %lld announced", static_cast<long long>(Size),
                        static_cast<long long>(*size_))};
}

Result<> TPackageCheck::DigestVerdict(std::int64_t Size,
                                      const std::function<Result<release::Sha256Digest>()>& HashAll) {
  if (!sha256_) return {};
  release::Sha256Digest digest;
  const bool hashed = hasher_ && !rewritten_ && offered_ == Size && hasher_->Final(digest);
  hasher_.reset();
  if (!hashed) {
    // Something was written over, or the hashing could not read it: all of it again.
    Result<release::Sha256Digest> again = HashAll();
    if (!again.Ok()) return Refused{again.Why()};
    digest = again.Value();
  }
  if (!release::ConstantTimeEqual(digest.data(), sha256_->data(), digest.size()))
    return Refused{"The package's SHA-256 is not the one announced"};
  return {};
}

TCheckedPackageStream::TCheckedPackageStream(std::optional<release::Sha256Digest> Sha256,
                                             std::optional<std::int64_t> Size)
    : check_(Sha256, Size) {}

TCheckedPackageStream::~TCheckedPackageStream() = default;

void TCheckedPackageStream::Offer() {
  const std::int64_t end = std::min(TMemoryStream::Seek(0, TSeekOrigin::soCurrent), Size());
  check_.Written(static_cast<const std::uint8_t*>(Memory()), end);
}

std::int64_t TCheckedPackageStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0) return TMemoryStream::Write(Buffer, Count);
  check_.Writing(TMemoryStream::Seek(0, TSeekOrigin::soCurrent), Count);
  const std::int64_t n = TMemoryStream::Write(Buffer, Count);
  Offer();
  return n;
}

std::int64_t TCheckedPackageStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  const std::int64_t at = TMemoryStream::Seek(Offset, Origin);
  // A direct receive into the memory ends by moving the position past what it wrote.
  Offer();
  return at;
}

void TCheckedPackageStream::SetSize(std::int64_t NewSize) {
  check_.Resizing(NewSize);
  TMemoryStream::SetSize(NewSize);
}

// Every way the block can move or go (growth by a write, a new size, room
// made by the receiver, Clear) passes here first.
void TCheckedPackageStream::MemoryWillMove() { check_.Drain(); }

Result<> TCheckedPackageStream::DigestVerdict() {
  return check_.DigestVerdict(Size(), [this]() -> Result<release::Sha256Digest> {
    return release::Sha256Of(Memory(), static_cast<std::size_t>(Size()));
  });
}
