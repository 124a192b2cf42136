#include "app/update/PackageHasher.h"

#include <algorithm>
#include <cstring>

#include "core/Streams.h"

TPackageHasher::TPackageHasher() : hash_(std::make_unique<release::Sha256>()), thread_([this] { Run(); }) {}

TPackageHasher::~TPackageHasher() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  work_.notify_one();
  thread_.join();
}

void TPackageHasher::Seed(const AnsiString& Path, std::int64_t Count) {
  if (Count <= 0) return;
  Piece seed;
  seed.seedPath = Path;
  seed.seedCount = Count;
  Queue(std::move(seed));
}

void TPackageHasher::Add(const void* Data, std::size_t Count) {
  const auto* p = static_cast<const std::uint8_t*>(Data);
  while (Count > 0) {
    if (filling_.capacity() < kPiece) filling_.reserve(kPiece);
    const std::size_t n = std::min(Count, kPiece - filling_.size());
    filling_.insert(filling_.end(), p, p + n);
    p += n;
    Count -= n;
    if (filling_.size() == kPiece) {
      Piece piece;
      piece.bytes.swap(filling_);
      Queue(std::move(piece));
    }
  }
}

void TPackageHasher::Queue(Piece piece) {
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return waiting_.size() < kMostWaiting; });
  waiting_.push_back(std::move(piece));
  if (filling_.empty() && !spare_.empty()) {
    filling_.swap(spare_.back());
    spare_.pop_back();
  }
  lock.unlock();
  work_.notify_one();
}

void TPackageHasher::Drain(std::unique_lock<std::mutex>& lock) {
  done_.wait(lock, [this] { return waiting_.empty() && !busy_; });
}

void TPackageHasher::Reset() {
  std::unique_lock<std::mutex> lock(mutex_);
  Drain(lock);
  filling_.clear();
  hash_ = std::make_unique<release::Sha256>();
  seedFailed_ = false;
}

std::optional<release::Sha256Digest> TPackageHasher::Final() {
  if (!filling_.empty()) {
    Piece piece;
    piece.bytes.swap(filling_);
    Queue(std::move(piece));
  }
  std::unique_lock<std::mutex> lock(mutex_);
  Drain(lock);
  if (seedFailed_) return std::nullopt;
  return hash_->Final();
}

bool TPackageHasher::HashSeed(const Piece& piece) {
  try {
    TFileStream file(piece.seedPath, fmOpenRead);
    std::vector<std::uint8_t> buffer(kPiece);
    for (std::int64_t left = piece.seedCount; left > 0;) {
      const std::int64_t n = file.Read(buffer.data(), std::min<std::int64_t>(left, kPiece));
      if (n <= 0) return false;
      hash_->Update(buffer.data(), static_cast<std::size_t>(n));
      left -= n;
    }
    return true;
  } catch (const Exception&) {
    return false;
  }
}

void TPackageHasher::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return stop_ || !waiting_.empty(); });
    if (stop_) return;
    Piece piece = std::move(waiting_.front());
    waiting_.pop_front();
    busy_ = true;
    lock.unlock();
    // Only this thread touches the hash while it is busy; Reset waits for it.
    bool ok = true;
    if (piece.seedCount > 0) ok = HashSeed(piece);
    else hash_->Update(piece.bytes.data(), piece.bytes.size());
    lock.lock();
    if (!ok) seedFailed_ = true;
    if (piece.bytes.capacity() >= kPiece && spare_.size() < kMostWaiting) {
      piece.bytes.clear();
      spare_.push_back(std::move(piece.bytes));
    }
    busy_ = false;
    done_.notify_all();
  }
}
