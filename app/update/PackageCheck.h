#pragma once
// A package checked against what the version reply promised while its bytes
// arrive, whether it is kept in memory or written to its file: a body that
// grows past the promised size fails at once, and the SHA-256 is worked out
// on a thread of its own behind the transfer, so that checking costs the
// download almost no time.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/release/ReleaseCrypto.h"
#include "app/update/Result.h"
#include "core/Streams.h"
#include "core/SysUtils.h"
#include "platform/FileHandle.h"

// A package that is not the one the reply described.
QUELBO_DECLARE_EXCEPTION(EPackageRefused, Exception);

// The bookkeeping between a package's writes and its hashing, the same for
// memory and file. The transfer fills the package front to back, so what it
// has passed is handed to the hashing as final; a write below that mark means
// the content was written over, and the digest is then worked out over the
// whole content at the end instead.
class TPackageCheck {
 public:
  // The hashing reads what is offered from memory, or with Fd from that file.
  TPackageCheck(std::optional<release::Sha256Digest> Sha256, std::optional<std::int64_t> Size,
                platform::FileHandle Fd = platform::kNoFile);
  ~TPackageCheck();

  // Before Count bytes are written at At, or the content takes NewSize:
  // throws EPackageRefused when the bytes would reach past the promised size.
  void Writing(std::int64_t At, std::int64_t Count);
  void Resizing(std::int64_t NewSize);
  // The bytes below End are final; Base is where memory holds byte 0 (none
  // for a file). Memory handed over may move only after Drain.
  void Written(const std::uint8_t* Base, std::int64_t End);
  void Drain();

  // Once the transfer is over, whether the content of Size bytes is what was
  // promised: first its size, at once; then its SHA-256, which waits for the
  // hashing to catch up, or comes from HashAll when the hashing behind the
  // transfer did not see every byte exactly once.
  Result<> SizeVerdict(std::int64_t Size) const;
  Result<> DigestVerdict(std::int64_t Size, const std::function<Result<release::Sha256Digest>()>& HashAll);

 private:
  std::optional<release::Sha256Digest> sha256_;
  std::optional<std::int64_t> size_;
  std::unique_ptr<class TPackageHasher> hasher_;
  // Bytes below this were handed to the hasher as final.
  std::int64_t offered_ = 0;
  // Something below offered_ changed after all: the digest is worked out again.
  bool rewritten_ = false;
};

// A package's memory, checked by the bookkeeping above.
class TCheckedPackageStream : public TMemoryStream {
 public:
  TCheckedPackageStream(std::optional<release::Sha256Digest> Sha256, std::optional<std::int64_t> Size);
  ~TCheckedPackageStream() override;

  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(std::int64_t NewSize) override;

  Result<> SizeVerdict() { return check_.SizeVerdict(Size()); }
  // The content may be written out while this waits for the hashing.
  Result<> DigestVerdict();

 protected:
  void MemoryWillMove() override;

 private:
  void Offer();

  TPackageCheck check_;
};
