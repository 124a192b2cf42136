#include "app/PackageCheck.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

// Hashes the stream's memory behind the transfer. The transfer fills the body
// front to back, so every byte below the stream's position is final; those
// are offered, and the thread hashes them while the next ones arrive. The
// memory may move only while the thread holds no part of it: before the
// stream grows, it waits until everything offered is hashed.
class TCheckedPackageStream::Hasher {
 public:
  Hasher() : thread_([this] { Run(); }) {}
  ~Hasher() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    work_.notify_one();
    thread_.join();
  }

  void Offer(const std::uint8_t* base, std::int64_t end) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      base_ = base;
      offered_ = end;
    }
    work_.notify_one();
  }

  void Drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    drained_.wait(lock, [this] { return hashed_ == offered_; });
  }

  // Everything offered, hashed.
  release::Sha256Digest Final() {
    Drain();
    return hash_.Final();
  }

 private:
  // Pieces small enough that a waiting Drain is not kept long.
  static constexpr std::int64_t kPiece = 1 << 20;

  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      work_.wait(lock, [this] { return stop_ || hashed_ < offered_; });
      if (stop_) return;
      const std::uint8_t* from = base_ + hashed_;
      const std::int64_t n = std::min(offered_ - hashed_, kPiece);
      lock.unlock();
      hash_.Update(from, static_cast<std::size_t>(n));
      lock.lock();
      hashed_ += n;
      if (hashed_ == offered_) drained_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable work_, drained_;
  const std::uint8_t* base_ = nullptr;
  std::int64_t offered_ = 0, hashed_ = 0;
  bool stop_ = false;
  release::Sha256 hash_;
  std::thread thread_;  // last: it starts once everything above is ready
};

TCheckedPackageStream::TCheckedPackageStream(std::optional<release::Sha256Digest> Sha256,
                                             std::optional<std::int64_t> Size)
    : sha256_(Sha256), size_(Size) {
  if (sha256_) hasher_ = std::make_unique<Hasher>();
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
  if (hasher_ && at + Count > Capacity()) hasher_->Drain();  // the memory may move
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
  if (hasher_ && NewSize > Capacity()) hasher_->Drain();
  TMemoryStream::SetSize(NewSize);
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
    digest = hasher_->Final();
    hasher_.reset();
  }
  if (!release::ConstantTimeEqual(digest.data(), sha256_->data(), digest.size()))
    return "The package's SHA-256 is not the one announced";
  return "";
}
