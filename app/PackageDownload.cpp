#include "app/PackageDownload.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "app/PackageHasher.h"
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
  FileTarget(const AnsiString& path, bool hash, std::optional<std::int64_t> promised)
      : path_(path), promised_(promised) {
    if (!file_.Open(path)) throw EFCreateError(CannotCreate(path, errno));
    if (hash) hasher_ = std::make_unique<TPackageHasher>(file_.Handle());
  }
  ~FileTarget() override { hasher_.reset(); }

  std::int64_t Read(void* Buffer, std::int64_t Count) override {
    if (Count <= 0) return 0;
    ssize_t n = ::pread(file_.Handle(), Buffer, static_cast<std::size_t>(Count), position_);
    if (n <= 0) return 0;
    position_ += n;
    return n;
  }
  std::int64_t Write(const void* Buffer, std::int64_t Count) override {
    if (Count <= 0) return 0;
    RefuseBeyondPromisedSize(position_ + Count, promised_);
    if (position_ < offered_) rewritten_ = true;
    const auto* p = static_cast<const char*>(Buffer);
    for (std::int64_t left = Count; left > 0;) {
      ssize_t n = ::pwrite(file_.Handle(), p, static_cast<std::size_t>(left), position_);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw EWriteError(Format("Cannot write file \"%s\". %s", path_.c_str(),
                                           platform::ErrorText(n < 0 ? errno : ENOSPC).c_str()));
      p += n, left -= n, position_ += n;
    }
    size_ = std::max(size_, position_);
    if (hasher_ && !rewritten_ && position_ > offered_) hasher_->Offer(nullptr, offered_ = position_);
    return Count;
  }
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override {
    const std::int64_t base =
        Origin == TSeekOrigin::soBeginning ? 0 : Origin == TSeekOrigin::soCurrent ? position_ : size_;
    position_ = std::max<std::int64_t>(0, base + Offset);
    return position_;
  }
  void SetSize(std::int64_t NewSize) override {
    RefuseBeyondPromisedSize(NewSize, promised_);
    if (NewSize < 0 || ::ftruncate(file_.Handle(), NewSize) != 0) throw EStreamError("Invalid stream size");
    if (NewSize < offered_) rewritten_ = true;
    size_ = NewSize;
  }
  std::int64_t Size() override { return size_; }

  // "" when the content is the one whose digest is expected.
  AnsiString DigestVerdict(const release::Sha256Digest& expected) {
    release::Sha256Digest digest;
    const bool hashed = hasher_ && !rewritten_ && offered_ == size_ && hasher_->Final(digest);
    hasher_.reset();
    if (!hashed) {
      // Something was written over: hash the whole file again.
      TPackageHasher again(file_.Handle());
      again.Offer(nullptr, size_);
      if (!again.Final(digest)) return Format("Cannot read file \"%s\"", path_.c_str());
    }
    return DigestRefusal(digest, expected);
  }
  platform::FileReplacement& File() { return file_; }

 private:
  AnsiString path_;
  std::optional<std::int64_t> promised_;
  platform::FileReplacement file_;
  std::unique_ptr<TPackageHasher> hasher_;
  std::int64_t position_ = 0, size_ = 0, offered_ = 0;
  bool rewritten_ = false;
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
  file_ = std::make_unique<FileTarget>(path_, sha256_.has_value(), size_);
  return *file_;
}

const void* TPackageDownload::Content() { return file_ ? nullptr : memory_.Memory(); }
std::int64_t TPackageDownload::ContentSize() { return file_ ? 0 : memory_.Size(); }

AnsiString TPackageDownload::SizeVerdict() { return SizeRefusal(Size(), size_); }

AnsiString TPackageDownload::Save(bool Durable) {
  AnsiString refusal;
  if (file_) {
    if (sha256_) refusal = file_->DigestVerdict(*sha256_);
    if (!refusal.empty()) return refusal;
    if (!file_->File().Commit(Durable)) return CannotCreate(path_, errno);
    return "";
  }
  // Written under a temporary name and renamed when complete, so an older
  // package of the same name is never replaced by a part of the new one.
  // The hashing finishes while the bytes are written; a package that is not
  // the one the reply described never takes its name.
  platform::FileReplacement file;
  if (!file.Open(path_) || !file.Write(memory_.Memory(), static_cast<std::size_t>(memory_.Size())))
    return CannotCreate(path_, errno);
  const bool saved = file.Commit(Durable, [&] {
    refusal = memory_.DigestVerdict();
    return refusal.empty();
  });
  if (!refusal.empty()) return refusal;
  return saved ? AnsiString() : CannotCreate(path_, errno);
}
