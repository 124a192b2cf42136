#include "app/PackageCheck.h"

#include <algorithm>

#include "app/PackageHasher.h"

TCheckedPackageStream::TCheckedPackageStream(std::optional<release::Sha256Digest> Sha256,
                                             std::optional<std::int64_t> Size)
    : sha256_(Sha256), size_(Size) {
  if (sha256_) hasher_ = std::make_unique<TPackageHasher>();
}

TCheckedPackageStream::~TCheckedPackageStream() = default;

void RefuseBeyondPromisedSize(std::int64_t End, const std::optional<std::int64_t>& Promised) {
  if (Promised && End > *Promised)
    throw EPackageRefused(
        Format("The package is larger than the %lld bytes announced", static_cast<long long>(*Promised)));
}

AnsiString SizeRefusal(std::int64_t Got, const std::optional<std::int64_t>& Promised) {
  if (!Promised || Got == *Promised) return "";
  return Format("The package has %lld bytes instead of the %lld announced", static_cast<long long>(Got),
                static_cast<long long>(*Promised));
}

AnsiString DigestRefusal(const release::Sha256Digest& Got, const release::Sha256Digest& Promised) {
  return release::ConstantTimeEqual(Got.data(), Promised.data(), Got.size())
             ? AnsiString()
             : AnsiString("The package's SHA-256 is not the one announced");
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
  RefuseBeyondPromisedSize(at + Count, size_);
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
  RefuseBeyondPromisedSize(NewSize, size_);
  if (NewSize < offered_) rewritten_ = true;
  TMemoryStream::SetSize(NewSize);
}

// Every way the block can move or go (growth by a write, a new size, room
// made by the receiver, Clear) passes here first.
void TCheckedPackageStream::MemoryWillMove() {
  if (hasher_) hasher_->Drain();
}

AnsiString TCheckedPackageStream::SizeVerdict() { return SizeRefusal(Size(), size_); }

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
  return DigestRefusal(digest, *sha256_);
}
