#pragma once
// The memory a package is downloaded into, checked against what the version
// reply promised: a body that grows past the promised size fails at once,
// and the SHA-256 is worked out on a thread of its own while the bytes
// arrive, so that checking costs the download almost no time.
#include <cstdint>
#include <memory>
#include <optional>

#include "app/release/ReleaseCrypto.h"
#include "core/Streams.h"
#include "core/SysUtils.h"

// A package that is not the one the reply described.
QUELBO_DECLARE_EXCEPTION(EPackageRefused, Exception);

// Why a package is not the one promised, in one wording whether it is kept
// in memory or written to its file. Throws EPackageRefused once the bytes
// reach past the promised size.
void RefuseBeyondPromisedSize(std::int64_t End, const std::optional<std::int64_t>& Promised);
// "" when the size is the one promised, or none was.
AnsiString SizeRefusal(std::int64_t Got, const std::optional<std::int64_t>& Promised);
// "" when the digest is the one promised.
AnsiString DigestRefusal(const release::Sha256Digest& Got, const release::Sha256Digest& Promised);

class TCheckedPackageStream : public TMemoryStream {
 public:
  TCheckedPackageStream(std::optional<release::Sha256Digest> Sha256, std::optional<std::int64_t> Size);
  ~TCheckedPackageStream() override;

  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(std::int64_t NewSize) override;

  // Once the transfer is over, "" when the content is what was promised, else
  // why it is not: first its size, at once; then its SHA-256, which waits for
  // the hashing to catch up (the content may be written out meanwhile).
  AnsiString SizeVerdict();
  AnsiString DigestVerdict();

 protected:
  void MemoryWillMove() override;

 private:
  void Offer();

  std::optional<release::Sha256Digest> sha256_;
  std::optional<std::int64_t> size_;
  std::unique_ptr<class TPackageHasher> hasher_;
  // Bytes below this were handed to the hasher as final.
  std::int64_t offered_ = 0;
  // Something below offered_ changed after all: the digest is worked out again.
  bool rewritten_ = false;
};
