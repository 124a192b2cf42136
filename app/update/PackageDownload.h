#pragma once
// One package on its way into the installation directory. Its bytes pass a
// chain of writers (BodyWriter.h): the size the reply promised, the SHA-256
// it promised (worked out behind the transfer), and the store, in memory or
// in the package's partial file (PackageStore.h). On the file's road a small
// record beside the file says where the body stands, so that a run that is
// killed or loses its server leaves the next one the bytes it had; the next
// run goes on from them when the reply and the server's validator still
// match, and otherwise removes them and starts again. The package takes its
// name only when it is complete and what was promised.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/release/ReleaseCrypto.h"
#include "app/update/PackageCheck.h"
#include "app/update/PackageStore.h"
#include "app/update/Result.h"
#include "http/ResumableFetch.h"

class TPackageDownload {
 public:
  // Name: the package's file name in the installation directory AppDir;
  // URL: where it comes from; Sha256 and Size: what the reply promised.
  TPackageDownload(const AnsiString& AppDir, const AnsiString& Name, const AnsiString& URL,
                   std::optional<release::Sha256Digest> Sha256, std::optional<std::int64_t> Size,
                   std::int64_t MemoryLimit);
  ~TPackageDownload();
  TPackageDownload(const TPackageDownload&) = delete;
  TPackageDownload& operator=(const TPackageDownload&) = delete;

  // Whether Name is that of the partial file or its record, which no package may take.
  static bool IsWorkingName(const AnsiString& Name);
  // The name of the record beside the partial file.
  static AnsiString RecordName();

  // The head of the chain, for the fetch to write into.
  TBodyWriter& Body();
  // Goes on with what an earlier run left, when it was fetching the same
  // URL for the same promise; otherwise removes what it left.
  void TakeUpEarlierRun(TResumableFetch& Fetch);
  // Where the fetch stands, noted for a later run (at a pace of its own)
  // while the body goes into the file.
  void Note(const TResumePoint& Point);
  // The fetch gave up or was stopped at Point. What the file holds is kept
  // for the next run when it can go on from there; anything else is removed.
  void Interrupted(const TResumePoint& Point);
  // The whole body has arrived: refused when its size or SHA-256 is not the
  // one promised, or when BeforeNaming refuses; otherwise the package takes
  // its name, on the disk before this returns when Durable is set. Nothing
  // is left behind when refused.
  Result<> Finish(bool Durable, const std::function<Result<>()>& BeforeNaming);

  // The package's bytes while they are held in memory, else nullptr.
  const void* Content() { return store_.InFile() ? nullptr : store_.Memory(); }
  std::int64_t ContentSize() { return store_.InFile() ? 0 : store_.MemorySize(); }

 private:
  class Guard;
  void Remove();
  bool WriteRecord(const TResumePoint& Point);

  AnsiString target_, recordPath_, name_, url_;
  std::optional<release::Sha256Digest> sha256_;
  std::optional<std::int64_t> size_;
  TPackageStore store_;
  std::unique_ptr<TPackageDigest> digest_;
  std::unique_ptr<TPromisedSize> limit_;
  std::unique_ptr<Guard> head_;
  std::uint64_t notedAt_ = 0;
  bool noted_ = false;
};
