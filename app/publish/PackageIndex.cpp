#include "app/publish/PackageIndex.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

#include "app/release/ReleaseIndex.h"
#include "core/ScopeGuard.h"
#include "platform/FileHandle.h"
#include "platform/Files.h"
#include "zip/ExtractionTarget.h"
#include "zip/ZipExtractor.h"

namespace publish {
namespace {

// Hashes every member the extractor verifies and keeps nothing.
class THashingTarget : public zip::ExtractionTarget {
 public:
  int current = -1;
  std::map<int, release::Sha256Digest> digests;

 private:
  class Member : public zip::MemberOutput {
   public:
    Member(THashingTarget& owner, int index) : owner_(owner), index_(index) {}
    void Write(const std::uint8_t* data, std::size_t length) override { hash_.Update(data, length); }
    bool Reserve(std::uint64_t) override { return true; }
    bool Finish(std::int64_t, unsigned, bool) override {
      owner_.digests[index_] = hash_.Final();
      return true;
    }
    void Discard() override { owner_.digests.erase(index_); }

   private:
    THashingTarget& owner_;
    int index_;
    release::Sha256 hash_;
  };

  void BeginRun(const AnsiString&) override {}
  std::unique_ptr<zip::MemberOutput> CreateMember(const AnsiString&) override {
    return std::make_unique<Member>(*this, current);
  }
  bool ForceDirectories(const AnsiString&) override { return true; }
  void Keep(std::unique_ptr<zip::MemberOutput>) override {}
  bool Waiting(const AnsiString&) const override { return false; }
  bool CompleteRun(bool, std::vector<zip::InstallBatch::RenameFailure>&) override { return true; }
  void AbandonRun() override {}
};

std::string Why(const std::string& path) { return path + ": " + std::strerror(errno); }

// The SHA-256 of the bytes [First, End) of File.
bool RangeDigest(platform::FileHandle file, std::int64_t first, std::int64_t end, release::Sha256Digest& digest) {
  release::Sha256 hash;
  std::vector<char> block(1 << 20);
  for (std::int64_t left = end - first; left > 0;) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(left, block.size()));
    const std::ptrdiff_t n = platform::ReadFromFileAt(file, block.data(), want, end - left);
    if (n <= 0) return false;
    hash.Update(block.data(), static_cast<std::size_t>(n));
    left -= n;
  }
  digest = hash.Final();
  return true;
}

}  // namespace

std::string MakePackageIndex(const std::string& path, std::string& text) {
  THashingTarget hashing;
  TZipExtractor zip(nullptr);
  zip.DoProcessMessages = false;
  zip.IncompleteZipMode = izAssumeNotAZip;
  zip.SetExtractionTarget(&hashing);
  zip.SetZipName(platform::FromOsPath(path));
  zip.LoadDirectory();
  zip.SetDestDir(platform::FromOsPath(path) + ".index");
  zip.DoAll = true;
  zip.RecreateDirs = true;
  zip.OverwriteMode = TUZOverwriteMode::Always;
  zip.Password = "";
  bool bad = false;
  zip.OnStartUnZip = [&](TObject*, int index, AnsiString&, bool&) { hashing.current = index; };
  zip.OnBadCRC = [&](TObject*, std::uint32_t, std::uint32_t, int) { bad = true; };
  zip.OnHandleMessage = [&](TObject*, int, const AnsiString&, const AnsiString&, unsigned, int&) { bad = true; };
  zip.OnBadPassword = [&](TObject*, int, AnsiString&) { bad = true; };
  zip.UnZip();
  if (bad) return "a member does not extract as it should";

  // A member's bytes run from its local header to the next one's, or to the
  // directory: the spans the updater plans with.
  std::vector<release::IndexEntry> entries;
  std::vector<std::pair<std::int64_t, int>> files;
  for (int i = 0; i < zip.MemberCount(); ++i)
    if (!zip.FileName(i).empty())
      files.emplace_back(
          static_cast<std::int64_t>(std::min<std::uint64_t>(zip.Member(i).LocalHeaderOffset64(), INT64_MAX)), i);
  std::sort(files.begin(), files.end());
  const std::int64_t directory =
      static_cast<std::int64_t>(std::min<std::uint64_t>(zip.EndCentral().CentralOffset(), INT64_MAX));
  platform::FileHandle file =
      platform::OpenFile(path, platform::FileAccess::Read, platform::FileCreation::OpenExisting);
  if (file == platform::kNoFile) return Why(path);
  ScopeExit close([&] { platform::CloseFile(file); });
  for (std::size_t k = 0; k < files.size(); ++k) {
    const int i = files[k].second;
    release::IndexEntry e;
    e.name = zip.Directory(i) + zip.FileName(i);
    std::replace(e.name.begin(), e.name.end(), '\\', '/');
    e.first = files[k].first;
    e.end = k + 1 < files.size() ? files[k + 1].first : directory;
    const auto digest = hashing.digests.find(i);
    if (digest == hashing.digests.end()) return "\"" + e.name + "\" does not extract";
    e.contentSha256 = digest->second;
    if (e.end <= e.first || !RangeDigest(file, e.first, e.end, e.rangeSha256))
      return "\"" + e.name + "\" cannot be read";
    entries.push_back(std::move(e));
  }
  const std::optional<std::string> written = release::ReleaseIndexText(entries);
  if (!written) return "two members share a name, or a name holds a line break";
  text = *written;
  return "";
}

}  // namespace publish
