#include "app/update/PackageDownload.h"

#include <algorithm>
#include <cerrno>

#include "app/update/PackageHasher.h"
#include "platform/FileHandle.h"
#include "platform/Files.h"

namespace {

AnsiString CannotCreate(const AnsiString& path, int error) {
  return Format("Cannot create file \"%s\". %s", path.c_str(), platform::ErrorText(error).c_str());
}

}  // namespace

// The package's temporary file, written front to back as the body arrives and
// hashed behind it, read back from the file on the hashing thread.
class TPackageDownload::FileTarget : public TStream {
 public:
  FileTarget(const AnsiString& path, std::optional<release::Sha256Digest> sha256, std::optional<std::int64_t> size)
      : path_(path) {
    if (!file_.Open(path)) throw EFCreateError(CannotCreate(path, errno));
    check_ = std::make_unique<TPackageCheck>(sha256, size, file_.Handle());
  }

  std::int64_t Read(void* Buffer, std::int64_t Count) override {
    if (Count <= 0) return 0;
    const std::ptrdiff_t n = platform::ReadFromFileAt(file_.Handle(), Buffer, static_cast<std::size_t>(Count), position_);
    if (n <= 0) return 0;
    position_ += n;
    return n;
  }
  std::int64_t Write(const void* Buffer, std::int64_t Count) override {
    if (Count <= 0) return 0;
    check_->Writing(position_, Count);
    const auto* p = static_cast<const char*>(Buffer);
    for (std::int64_t left = Count; left > 0;) {
      const std::ptrdiff_t n = platform::WriteToFileAt(file_.Handle(), p, static_cast<std::size_t>(left), position_);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw EWriteError(Format("Cannot write file \"%s\". %s", path_.c_str(),
                                           platform::ErrorText(n < 0 ? errno : ENOSPC).c_str()));
      p += n, left -= n, position_ += n;
    }
    size_ = std::max(size_, position_);
    check_->Written(nullptr, position_);
    return Count;
  }
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override {
    const std::int64_t base =
        Origin == TSeekOrigin::soBeginning ? 0 : Origin == TSeekOrigin::soCurrent ? position_ : size_;
    position_ = std::max<std::int64_t>(0, base + Offset);
    return position_;
  }
  void SetSize(std::int64_t NewSize) override {
    check_->Resizing(NewSize);
    if (NewSize < 0 || !platform::SetFileLength(file_.Handle(), NewSize)) throw EStreamError("Invalid stream size");
    size_ = NewSize;
  }
  std::int64_t Size() override { return size_; }

  Result<> SizeVerdict() const { return check_->SizeVerdict(size_); }
  Result<> DigestVerdict() {
    return check_->DigestVerdict(size_, [this]() -> Result<release::Sha256Digest> {
      TPackageHasher again(file_.Handle());
      again.Offer(nullptr, size_);
      release::Sha256Digest digest;
      if (!again.Final(digest)) return Refused{Format("Cannot read file \"%s\"", path_.c_str())};
      return digest;
    });
  }
  platform::FileReplacement& File() { return file_; }

 private:
  AnsiString path_;
  platform::FileReplacement file_;
  // After the file: its hashing stops before the file closes.
  std::unique_ptr<TPackageCheck> check_;
  std::int64_t position_ = 0, size_ = 0;
};

TPackageDownload::TPackageDownload(const AnsiString& Path, std::optional<release::Sha256Digest> Sha256,
                                   std::optional<std::int64_t> Size, std::int64_t MemoryLimit)
    : path_(Path), sha256_(Sha256), size_(Size), memoryLimit_(MemoryLimit), memory_(Sha256, Size) {}

TPackageDownload::~TPackageDownload() = default;

TStream& TPackageDownload::Current() {
  if (file_) return *file_;
  return memory_;
}

TStream& TPackageDownload::TargetFor(std::int64_t Count) {
  // Decided once, by the first body, before anything is written.
  if (file_ || memory_.Size() > 0) return Current();
  if (Count >= 0 && Count <= memoryLimit_) return memory_;
  file_ = std::make_unique<FileTarget>(path_, sha256_, size_);
  return *file_;
}

const void* TPackageDownload::Content() { return file_ ? nullptr : memory_.Memory(); }
std::int64_t TPackageDownload::ContentSize() { return file_ ? 0 : memory_.Size(); }

Result<> TPackageDownload::SizeVerdict() { return file_ ? file_->SizeVerdict() : memory_.SizeVerdict(); }

Result<> TPackageDownload::Save(bool Durable) {
  if (file_) {
    if (Result<> digest = file_->DigestVerdict(); !digest.Ok()) return digest;
    if (!file_->File().Commit(Durable)) return Refused{CannotCreate(path_, errno)};
    return {};
  }
  // Written under a temporary name and renamed when complete, so an older
  // package of the same name is never replaced by a part of the new one.
  // The hashing finishes while the bytes are written; a package that is not
  // the one the reply described never takes its name.
  platform::FileReplacement file;
  if (!file.Open(path_) || !file.Write(memory_.Memory(), static_cast<std::size_t>(memory_.Size())))
    return Refused{CannotCreate(path_, errno)};
  Result<> digest;
  const bool saved = file.Commit(Durable, [&] {
    digest = memory_.DigestVerdict();
    return digest.Ok();
  });
  if (!digest.Ok()) return digest;
  if (!saved) return Refused{CannotCreate(path_, errno)};
  return {};
}
