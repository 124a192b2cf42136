#pragma once
// Works out a package's SHA-256 on a thread of its own behind the transfer.
// The bytes are copied into pieces as they pass and the thread hashes whole
// pieces, so the hashing depends on no memory of the transfer staying where
// it is, and checking costs the download little more than the copy.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/release/ReleaseCrypto.h"
#include "core/Types.h"

class TPackageHasher {
 public:
  TPackageHasher();
  ~TPackageHasher();
  TPackageHasher(const TPackageHasher&) = delete;
  TPackageHasher& operator=(const TPackageHasher&) = delete;

  // The package's first Count bytes are those of the file at Path (a
  // download an earlier run began): read once, on the thread, before what is
  // added after.
  void Seed(const AnsiString& Path, std::int64_t Count);
  // The next bytes of the package. Waits while much is still to hash.
  void Add(const void* Data, std::size_t Count);
  // Forgets every byte: the package begins again.
  void Reset();
  // Everything seeded and added, hashed; nothing when the seed could not be read.
  std::optional<release::Sha256Digest> Final();

 private:
  // Pieces large enough to hash efficiently; few of them wait at a time.
  static constexpr std::size_t kPiece = 1 << 20;
  static constexpr std::size_t kMostWaiting = 8;
  struct Piece {
    std::vector<std::uint8_t> bytes;
    AnsiString seedPath;  // a seed: the first seedCount bytes of this file instead
    std::int64_t seedCount = 0;
  };
  void Queue(Piece piece);
  void Drain(std::unique_lock<std::mutex>& lock);
  void Run();
  bool HashSeed(const Piece& piece);

  std::mutex mutex_;
  std::condition_variable work_, done_;
  std::deque<Piece> waiting_;
  std::vector<std::vector<std::uint8_t>> spare_;
  std::vector<std::uint8_t> filling_;
  bool busy_ = false;
  bool stop_ = false;
  bool seedFailed_ = false;
  std::unique_ptr<release::Sha256> hash_;
  std::thread thread_;  // last: it starts once everything above is ready
};
