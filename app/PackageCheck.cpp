#include "app/PackageCheck.h"

#include <algorithm>

#include "app/PackageHasher.h"

TCheckedPackageStream::TCheckedPackageStream(std::optional<release::Sha256Digest> Sha256,
                                             std::optional<std::int64_t> Size)
    : sha256_(Sha256), size_(Size) {
  if (sha256_) hasher_ = std::make_unique<TPackageHasher>();
}

TCheckedPackageStream::~TCheckedPackageStream() = default;

void TCheckedPackageStream::Limit(std::int64_t end) const {
  if (size_ && end > *size_)
    throw EPackageRefused(Format("The package is larger than the %lld bytes announced", static_cast<long long>(*size_)));
}

void TCheckedPackageStream::Offer() {
  const std::int64_t end = std::min(TMemoryStream::Seek(0, TSeekOrigin::soCurrent), Size());
  if (!hasher_ || rewritten_ || end <= offered_) return;
  offered_ = end;
  hasher_->Offer(static_cast<const std::uint8_t*>(Memory()), end);
}

std::int64_t TCheckedPackageStream::Write(const void* Buffer, std::int64_t Count) {
  const std::int64_t at = TMemoryStream::Seek(0, TSeekOrigin::soCurrent);
  if (Count <= 0) return TMemoryStream::Write(Buffer, Count);
  Limit(at + Count);
  if (at < offered_) rewritten_ = true;
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
  Limit(NewSize);
  if (NewSize < offered_) rewritten_ = true;
  TMemoryStream::SetSize(NewSize);
}

// Every way the block can move or go (growth by a write, a new size, room
// made by the receiver, Clear) passes here first.
void TCheckedPackageStream::MemoryWillMove() {
  if (hasher_) hasher_->Drain();
}

AnsiString TCheckedPackageStream::SizeVerdict() {
  if (size_ && Size() != *size_)
    return Format("The package has %lld bytes instead of the %lld announced", static_cast<long long>(Size()),
                  static_cast<long long>(*size_));
  return "";
}

AnsiString TCheckedPackageStream::DigestVerdict() {
  if (!sha256_) return "";
  release::Sha256Digest digest;
  if (!hasher_ || rewritten_ || offered_ != Size()) {
    hasher_.reset();
    digest = release::Sha256Of(Memory(), static_cast<std::size_t>(Size()));
  } else {
    const bool hashed = hasher_->Final(digest);
    hasher_.reset();
    if (!hashed) digest = release::Sha256Of(Memory(), static_cast<std::size_t>(Size()));
  }
  if (!release::ConstantTimeEqual(digest.data(), sha256_->data(), digest.size()))
    return "The package's SHA-256 is not the one announced";
  return "";
}
