#include "app/update/PartialFetch.h"

#include <climits>
#include <memory>

#include "app/update/CheckMembers.h"
#include "app/update/IndexCheck.h"
#include "app/update/InstalledFiles.h"
#include "app/update/PartialPlan.h"
#include "app/update/PartialRoad.h"
#include "core/Streams.h"
#include "http/HttpClient.h"
#include "platform/Files.h"
#include "zip/ZipExtractor.h"
#include "zip/ZipRecords.h"

namespace {

// The first guess at the package's end: the directory of a few thousand
// members fits, so one request mostly does.
constexpr std::int64_t kEndGuess = 64 << 10;

// Bytes of a range into the package file at their offset, counted.
class TSpanWriter : public THeldWriter {
 public:
  TSpanWriter(TFileStream& file, TByteSpan span, const std::function<void(std::int64_t)>& counted)
      : file_(file), first_(span.First), at_(span.First), end_(span.End), counted_(counted) {}
  void Announce(std::int64_t Total) override {
    if (Total != end_ - at_) throw TNoShortcut{};
  }
  void Write(const void* Data, std::size_t Count) override {
    if (static_cast<std::int64_t>(Count) > end_ - at_) throw TNoShortcut{};
    file_.SetPosition(at_);
    file_.WriteBuffer(Data, static_cast<std::int64_t>(Count));
    at_ += static_cast<std::int64_t>(Count);
    counted_(static_cast<std::int64_t>(Count));
  }
  void Restart() override { throw TNoShortcut{}; }
  bool Complete() const { return at_ == end_; }
  std::int64_t Held() const override { return at_ - first_; }

 private:
  TFileStream& file_;
  std::int64_t first_, at_, end_;
  std::function<void(std::int64_t)> counted_;
};

std::optional<TPartialPackage> Fetch(THttpClient& client, const AnsiString& url, const AnsiString& path,
                                     const AnsiString& appDir,
                                     const std::function<void(std::int64_t, std::int64_t)>& progress,
                                     const TPartialOptions& options) {
  TPartialRoad road(client, url, options);
  const std::optional<release::Sha256Digest>& signedIndex = options.signedIndex;
  // A signed release's index comes first: without it there is no road, and
  // no request for the package's end is wasted.
  std::optional<std::vector<release::IndexEntry>> index;
  if (signedIndex) {
    index = SignedIndexEntries(road.FetchFile(url + release::kIndexSuffix, kLargestIndex), *signedIndex);
    if (!index) return std::nullopt;
  }
  std::string end = road.FetchEnd(kEndGuess);
  std::int64_t endStart = road.Start();
  const std::int64_t size = road.Size();
  // A directory larger than the guess takes a second range, and a ZIP64
  // end record far from the end a third; no more.
  std::optional<std::int64_t> start;
  for (int round = 0; round < 3; ++round) {
    start = DirectoryStart(end, endStart, size);
    if (!start || *start >= endStart) break;
    TStringWriter more;
    road.FetchSpan({*start, endStart}, more);
    if (static_cast<std::int64_t>(more.bytes.size()) != endStart - *start) return std::nullopt;
    end = more.bytes + end;
    endStart = *start;
  }
  if (!start || *start < endStart) return std::nullopt;

  TPartialPackage package;
  package.size = size;
  package.received = static_cast<std::int64_t>(end.size());
  {
    TFileStream file(path, fmCreate);
    file.SetSize(size);
    file.SetPosition(endStart);
    file.WriteBuffer(end.data(), static_cast<std::int64_t>(end.size()));
  }
  // The directory is read by the extractor itself, from the file it will
  // extract from: what it finds there is what it will do.
  TZipExtractor reader(nullptr);
  reader.DoProcessMessages = false;
  // Whatever the reader would ask or tell ends the road instead.
  reader.OnHandleMessage = [](TObject*, int, const AnsiString&, const AnsiString&, unsigned, int&) {
    throw TNoShortcut{};
  };
  reader.SetZipName(path);
  reader.LoadDirectory();
  if (reader.Rebuilt() || reader.MultiMode() != mmNone || reader.MemberCount() == 0) return std::nullopt;
  const std::vector<TPackageMember> members = PackageMembers(reader);
  reader.SetZipName("");

  if (index && !IndexDescribes(*index, members, *start)) return std::nullopt;
  const std::map<std::string, release::Sha256Digest> listed =
      index ? ListedContent(*index) : std::map<std::string, release::Sha256Digest>{};

  TInstalledFiles installed(appDir);
  std::optional<TPartialPlan> plan = PlanPartial(members, *start, [&](const std::string& name) {
    std::optional<TInstalledFile> file = installed.Current(name);
    // Of a signed release, a file is the member only when its content is the one listed.
    if (file && index) {
      const auto content = listed.find(name);
      if (content == listed.end() || content->second != file->sha256) file.reset();
    }
    return file;
  });
  // Files hashed for the plan need not be read again.
  installed.Save();
  if (!plan || !SavesEnough(plan->bytes, package.received, size)) return std::nullopt;

  std::int64_t done = 0;
  {
    TFileStream file(path, fmOpenReadWrite);
    progress(0, plan->bytes);
    for (const TByteSpan& span : plan->spans) {
      TSpanWriter writer(file, span, [&](std::int64_t count) {
        done += count;
        progress(done, plan->bytes);
      });
      road.FetchSpan(span, writer);
      if (!writer.Complete()) return std::nullopt;
    }
    // Each span begins with a member's local header, where the directory says.
    for (const TByteSpan& span : plan->spans) {
      std::uint8_t signature[4];
      file.SetPosition(span.First);
      file.ReadBuffer(signature, sizeof signature);
      if (zip::Get32(signature) != zip::kLocalHeaderSig) return std::nullopt;
    }
  }
  // Of a signed release, no byte is decoded before it is shown to be the publisher's.
  if (index && !FetchedRangesCheckOut(path, *index, plan->fetched)) return std::nullopt;
  if (!FetchedMembersCheckOut(path, plan->fetched, index ? &listed : nullptr)) return std::nullopt;
  package.received += done;
  package.fetched = std::move(plan->fetched);
  package.untouched = std::move(plan->untouched);
  return package;
}

}  // namespace

std::optional<TPartialPackage> FetchChangedMembers(THttpClient& Client, const AnsiString& URL, const AnsiString& Path,
                                                   const AnsiString& AppDir,
                                                   const std::function<void(std::int64_t, std::int64_t)>& Progress,
                                                   const TPartialOptions& Options) {
  std::optional<TPartialPackage> package;
  try {
    package = Fetch(Client, URL, Path, AppDir, Progress, Options);
  } catch (const TNoShortcut&) {
  } catch (const Exception&) {
  } catch (const std::exception&) {
  }
  if (!package && platform::FileExists(Path)) platform::DeleteFile(Path);
  return package;
}
