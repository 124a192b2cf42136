#pragma once
// Works out a package's SHA-256 on a thread of its own behind the transfer.
// The transfer fills the package front to back, so every byte below what it
// offers is final; the thread hashes those while the next ones arrive, read
// from the package's memory or from its file.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "app/release/ReleaseCrypto.h"
#include "platform/FileHandle.h"

class TPackageHasher {
 public:
  // Hashes what is offered from memory (Offer with a base) ...
  TPackageHasher();
  // ... or from the file open as Fd, read at its offsets.
  explicit TPackageHasher(platform::FileHandle Fd);
  ~TPackageHasher();
  TPackageHasher(const TPackageHasher&) = delete;
  TPackageHasher& operator=(const TPackageHasher&) = delete;

  // Bytes below End are final; Base is where the memory holds byte 0 (memory
  // only). Memory may move only after Drain.
  void Offer(const std::uint8_t* Base, std::int64_t End);
  // Waits until everything offered is hashed.
  void Drain();
  // Everything offered, hashed; false when the file could not be read.
  bool Final(release::Sha256Digest& Digest);

 private:
  // Pieces small enough that a waiting Drain is not kept long.
  static constexpr std::int64_t kPiece = 1 << 20;
  void Run();

  std::mutex mutex_;
  std::condition_variable work_, drained_;
  const platform::FileHandle fd_ = platform::kNoFile;
  const std::uint8_t* base_ = nullptr;
  std::int64_t offered_ = 0, hashed_ = 0;
  bool stop_ = false;
  bool readFailed_ = false;
  std::vector<std::uint8_t> piece_;
  release::Sha256 hash_;
  std::thread thread_;  // last: it starts once everything above is ready
};
