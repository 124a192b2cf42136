#pragma once
// A package checked against what the version reply promised while its bytes
// pass on their way to the store: links of the body's chain of writers that
// refuse a body growing past the promised size at once and work out its
// SHA-256 behind the transfer. Each forgets what it saw when the body starts
// over.
#include <cstdint>
#include <optional>

#include "app/release/ReleaseCrypto.h"
#include "app/update/PackageHasher.h"
#include "app/update/Result.h"
#include "core/SysUtils.h"
#include "http/BodyWriter.h"

// A package that is not the one the reply described.
QUELBO_DECLARE_EXCEPTION(EPackageRefused, Exception);

// Holds the body to the size the reply promised (none: any size).
class TPromisedSize : public TBodyFilter {
 public:
  TPromisedSize(TBodyWriter& Next, std::optional<std::int64_t> Size) : TBodyFilter(Next), size_(Size) {}
  // A body announced, or grown, past the promised size is refused with EPackageRefused.
  void Announce(std::int64_t Total) override;
  void Write(const void* Data, std::size_t Count) override;
  void Restart() override;
  // The body's first Held bytes came in an earlier run.
  void Continue(std::int64_t Held) { passed_ = Held; }

  // Once the transfer is over: refused when the size is not the one promised.
  Result<> Verdict() const;

 private:
  std::optional<std::int64_t> size_;
  std::int64_t passed_ = 0;
};

// Works out the SHA-256 of the body on its own thread and compares it with
// the promised one at the end.
class TPackageDigest : public TBodyFilter {
 public:
  TPackageDigest(TBodyWriter& Next, const release::Sha256Digest& Promised) : TBodyFilter(Next), promised_(Promised) {}
  void Write(const void* Data, std::size_t Count) override;
  void Restart() override;
  // The body's first Held bytes are in the file at Path (an earlier run's):
  // the hash is carried on from them, read once.
  void Continue(const AnsiString& Path, std::int64_t Held) { hasher_.Seed(Path, Held); }

  // Once the whole body has passed: refused unless its SHA-256 is the one promised.
  Result<> Verdict();

 private:
  release::Sha256Digest promised_;
  TPackageHasher hasher_;
};
