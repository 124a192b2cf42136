#include "app/update/PackageDownload.h"

#include <algorithm>
#include <cerrno>

#include "app/update/DownloadRecord.h"
#include "app/update/Installation.h"
#include "app/update/PathText.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/Files.h"

namespace {

// The package's partial file and the record beside it: names of our own,
// one package at a time.
constexpr const char* kPartName = ".quelbo-package.part";
constexpr const char* kRecordName = ".quelbo-package.resume";
// Records are cheap to write; a few a second lose a stopped run little.
constexpr std::uint64_t kNotePaceMs = 250;

AnsiString CannotCreate(const AnsiString& path, int error) {
  return Format("Cannot create file \"%s\". %s", path.c_str(), platform::ErrorText(error).c_str());
}

// The last Count bytes before Held of the file at Path, or "" when they cannot be read.
std::string TailOf(const AnsiString& path, std::int64_t held, std::int64_t count) {
  try {
    TFileStream file(path, fmOpenRead);
    std::string tail(static_cast<std::size_t>(count), '\0');
    file.SetPosition(held - count);
    file.ReadBuffer(tail.data(), count);
    return tail;
  } catch (const Exception&) {
    return {};
  }
}

}  // namespace

// The chain's head: it marks a body that one of our own writers refused
// (a promise broken, a full disk), which no later run can go on with.
class TPackageDownload::Guard : public TBodyFilter {
 public:
  using TBodyFilter::TBodyFilter;
  void Announce(std::int64_t Total) override {
    Guarded([&] { TBodyFilter::Announce(Total); });
  }
  void Write(const void* Data, std::size_t Count) override {
    Guarded([&] { TBodyFilter::Write(Data, Count); });
  }
  void Restart() override {
    Guarded([&] { TBodyFilter::Restart(); });
  }
  bool refused = false;

 private:
  template <class F>
  void Guarded(F f) {
    try {
      f();
    } catch (...) {
      refused = true;
      throw;
    }
  }
};

TPackageDownload::TPackageDownload(const AnsiString& AppDir, const AnsiString& Name, const AnsiString& URL,
                                   std::optional<release::Sha256Digest> Sha256, std::optional<std::int64_t> Size,
                                   std::int64_t MemoryLimit)
    : target_(InstalledPath(AppDir, Name)),
      recordPath_(AppDir + kRecordName),
      name_(Name),
      url_(URL),
      sha256_(Sha256),
      size_(Size),
      store_(AppDir + kPartName, MemoryLimit) {
  TBodyWriter* next = &store_;
  if (sha256_) {
    digest_ = std::make_unique<TPackageDigest>(*next, *sha256_);
    next = digest_.get();
  }
  limit_ = std::make_unique<TPromisedSize>(*next, size_);
  head_ = std::make_unique<Guard>(*limit_);
}

TPackageDownload::~TPackageDownload() = default;

TBodyWriter& TPackageDownload::Body() { return *head_; }

AnsiString TPackageDownload::RecordName() { return kRecordName; }

bool TPackageDownload::IsWorkingName(const AnsiString& Name) {
  return SameNameIgnoringAsciiCase(Name, kPartName) || SameNameIgnoringAsciiCase(Name, kRecordName);
}

void TPackageDownload::TakeUpEarlierRun(TResumableFetch& Fetch) {
  const std::optional<TDownloadRecord> r = ReadDownloadRecord(recordPath_);
  const bool same = r && r->url == url_ && r->name == name_ && r->promisedSize == size_ &&
                    r->promisedSha256 == sha256_ && !r->validator.empty() && r->held > 0 && r->total > r->held &&
                    (!size_ || r->total == *size_);
  if (!same || !store_.Continue(r->held)) {
    Remove();
    return;
  }
  TResumePoint point;
  point.Held = r->held;
  point.Total = r->total;
  point.Validator = r->validator;
  point.ETag = r->etag;
  point.LastModified = r->lastModified;
  const std::int64_t tail = std::min<std::int64_t>(std::max(Fetch.Policy().TailCheckBytes, 0), r->held);
  point.Tail = TailOf(store_.PartPath(), r->held, tail);
  if (static_cast<std::int64_t>(point.Tail.size()) != tail) {
    Remove();
    return;
  }
  limit_->Continue(r->held);
  if (digest_) digest_->Continue(store_.PartPath(), r->held);
  Fetch.ResumeFrom(point);
}

bool TPackageDownload::WriteRecord(const TResumePoint& Point) {
  TDownloadRecord r;
  r.url = url_;
  r.name = name_;
  r.promisedSize = size_;
  r.promisedSha256 = sha256_;
  r.held = Point.Held;
  r.total = Point.Total;
  r.validator = Point.Validator;
  r.etag = Point.ETag;
  r.lastModified = Point.LastModified;
  return WriteDownloadRecord(recordPath_, r);
}

void TPackageDownload::Note(const TResumePoint& Point) {
  if (!store_.InFile() || !Point.Resumable()) return;
  const std::uint64_t now = platform::TickCount();
  if (noted_ && now - notedAt_ < kNotePaceMs) return;
  noted_ = true;
  notedAt_ = now;
  WriteRecord(Point);
}

void TPackageDownload::Interrupted(const TResumePoint& Point) {
  if (head_->refused || !store_.InFile() || !Point.Resumable()) {
    Remove();
    return;
  }
  store_.CloseFile();
  if (!WriteRecord(Point)) Remove();
}

void TPackageDownload::Remove() {
  const bool hadFile = store_.InFile();
  store_.CloseFile();
  if (hadFile || platform::FileExists(store_.PartPath())) platform::DeleteFile(store_.PartPath());
  if (platform::FileExists(recordPath_)) platform::DeleteFile(recordPath_);
}

Result<> TPackageDownload::Finish(bool Durable, const std::function<Result<>()>& BeforeNaming) {
  Result<> verdict = limit_->Verdict();
  if (verdict.Ok() && digest_) verdict = digest_->Verdict();
  if (!verdict.Ok()) {
    Remove();
    return verdict;
  }
  if (store_.InFile()) {
    store_.CloseFile();
    if (Result<> named = BeforeNaming(); !named.Ok()) {
      Remove();
      return named;
    }
    if (!platform::MoveFileInto(store_.PartPath(), target_, Durable)) {
      const int error = errno;
      Remove();
      return Refused{CannotCreate(target_, error)};
    }
    if (platform::FileExists(recordPath_)) platform::DeleteFile(recordPath_);
    return {};
  }
  // Written under a temporary name and renamed when complete, so an older
  // package of the same name is never replaced by a part of the new one.
  platform::FileReplacement file;
  if (!file.Open(target_) || !file.Write(store_.Memory(), static_cast<std::size_t>(store_.MemorySize())))
    return Refused{CannotCreate(target_, errno)};
  Result<> named;
  const bool saved = file.Commit(Durable, [&] {
    named = BeforeNaming();
    return named.Ok();
  });
  if (!named.Ok()) return named;
  if (!saved) return Refused{CannotCreate(target_, errno)};
  return {};
}
