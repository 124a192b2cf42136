#pragma once
// Where a package goes while it downloads. A body whose announced length is
// at most the memory limit is kept in memory (TCheckedPackageStream), so an
// archive can be unpacked from there; a longer one, or one whose length is
// not announced, goes straight into the package's temporary file beside its
// final name, so memory stays small whatever the size. Either way the size
// and SHA-256 the reply promised are checked as the bytes arrive, and the
// package takes its name only when it is complete and what was promised.
#include <cstdint>
#include <memory>
#include <optional>

#include "app/update/PackageCheck.h"
#include "platform/AtomicFile.h"

class TPackageDownload : public TStream {
 public:
  TPackageDownload(const AnsiString& Path, std::optional<release::Sha256Digest> Sha256,
                   std::optional<std::int64_t> Size, std::int64_t MemoryLimit);
  ~TPackageDownload() override;

  TStream& TargetFor(std::int64_t Count) override;
  std::int64_t Read(void* Buffer, std::int64_t Count) override { return Current().Read(Buffer, Count); }
  std::int64_t Write(const void* Buffer, std::int64_t Count) override { return Current().Write(Buffer, Count); }
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override { return Current().Seek(Offset, Origin); }
  void SetSize(std::int64_t NewSize) override { Current().SetSize(NewSize); }
  std::int64_t Size() override { return Current().Size(); }

  // The package's bytes while it is held in memory, else nullptr.
  const void* Content();
  std::int64_t ContentSize();

  // Once the transfer is over: refused when the size is not the one promised.
  Result<> SizeVerdict();
  // Gives the package its name unless its SHA-256 is not the one promised;
  // with Durable set, the file is on disk before this returns. When refused,
  // nothing takes the name.
  Result<> Save(bool Durable);

 private:
  class FileTarget;
  TStream& Current();

  AnsiString path_;
  std::optional<release::Sha256Digest> sha256_;
  std::optional<std::int64_t> size_;
  std::int64_t memoryLimit_;
  TCheckedPackageStream memory_;
  std::unique_ptr<FileTarget> file_;
};
