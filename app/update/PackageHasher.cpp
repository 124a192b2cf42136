#include "app/update/PackageHasher.h"


#include <algorithm>
#include <cerrno>

TPackageHasher::TPackageHasher() : thread_([this] { Run(); }) {}

TPackageHasher::TPackageHasher(platform::FileHandle Fd) : fd_(Fd), piece_(kPiece), thread_([this] { Run(); }) {}

TPackageHasher::~TPackageHasher() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  work_.notify_one();
  thread_.join();
}

void TPackageHasher::Offer(const std::uint8_t* Base, std::int64_t End) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    base_ = Base;
    offered_ = std::max(offered_, End);
  }
  work_.notify_one();
}

void TPackageHasher::Drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  drained_.wait(lock, [this] { return hashed_ == offered_ || readFailed_; });
}

bool TPackageHasher::Final(release::Sha256Digest& Digest) {
  Drain();
  if (readFailed_) return false;
  Digest = hash_.Final();
  return true;
}

void TPackageHasher::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return stop_ || (hashed_ < offered_ && !readFailed_); });
    if (stop_) return;
    const std::int64_t at = hashed_;
    const std::int64_t n = std::min(offered_ - hashed_, kPiece);
    const std::uint8_t* from = base_ ? base_ + at : nullptr;
    lock.unlock();
    bool ok = true;
    if (fd_ != platform::kNoFile) {
      // The piece was written before it was offered: it is all there.
      std::ptrdiff_t got;
      do got = platform::ReadFromFileAt(fd_, piece_.data(), static_cast<std::size_t>(n), at);
      while (got < 0 && errno == EINTR);
      ok = got == n;
      from = piece_.data();
    }
    if (ok) hash_.Update(from, static_cast<std::size_t>(n));
    lock.lock();
    if (!ok) readFailed_ = true;
    else hashed_ += n;
    if (hashed_ == offered_ || readFailed_) drained_.notify_all();
  }
}
