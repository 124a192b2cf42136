#include "app/update/CheckMembers.h"

#include <memory>

#include "app/update/PartialPlan.h"
#include "zip/ExtractionTarget.h"
#include "zip/ZipExtractor.h"

namespace {

// An extraction that keeps nothing: the members are decoded and checked
// against their CRC-32 and, when digests are given, their SHA-256; their
// bytes go nowhere.
class TCheckOnly : public zip::ExtractionTarget {
 public:
  explicit TCheckOnly(const std::map<std::string, release::Sha256Digest>* content) : content_(content) {}
  std::string current;             // the name of the member being decoded
  std::set<std::string> digested;  // members whose content had the listed digest

 private:
  class Member : public zip::MemberOutput {
   public:
    Member(TCheckOnly& owner, std::string name) : owner_(owner), name_(std::move(name)) {}
    void Write(const std::uint8_t* data, std::size_t length) override {
      if (owner_.content_) hash_.Update(data, length);
    }
    bool Reserve(std::uint64_t) override { return true; }
    bool Finish(std::int64_t, unsigned, bool) override {
      if (!owner_.content_) return true;
      const auto listed = owner_.content_->find(name_);
      if (listed != owner_.content_->end() && listed->second == hash_.Final()) owner_.digested.insert(name_);
      return true;
    }
    void Discard() override {}

   private:
    TCheckOnly& owner_;
    std::string name_;
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

  const std::map<std::string, release::Sha256Digest>* content_;
};

}  // namespace

bool FetchedMembersCheckOut(const AnsiString& path, const std::set<std::string>& fetched,
                            const std::map<std::string, release::Sha256Digest>* content) {
  TCheckOnly nowhere(content);
  TZipExtractor checker(nullptr);
  checker.DoProcessMessages = false;
  checker.SetExtractionTarget(&nowhere);
  checker.SetZipName(path);
  checker.LoadDirectory();
  checker.SetDestDir(path + ".check");
  checker.DoAll = true;
  checker.RecreateDirs = true;
  checker.OverwriteMode = TUZOverwriteMode::Always;
  checker.Password = "";
  bool bad = false;
  std::set<std::string> verified;
  checker.OnStartUnZip = [&](TObject*, int index, AnsiString&, bool& skip) {
    nowhere.current = InstalledName(checker, index);
    skip = fetched.count(nowhere.current) == 0;
  };
  checker.OnBadCRC = [&](TObject*, std::uint32_t, std::uint32_t, int) { bad = true; };
  // Anything the extractor would tell is left for the real extraction to tell.
  checker.OnHandleMessage = [&](TObject*, int, const AnsiString&, const AnsiString&, unsigned, int&) { bad = true; };
  checker.OnBadPassword = [&](TObject*, int, AnsiString&) { bad = true; };
  checker.OnEndUnZip = [&](TObject*, int index, const AnsiString&) { verified.insert(InstalledName(checker, index)); };
  checker.UnZip();
  return !bad && verified == fetched && (!content || nowhere.digested == fetched);
}
