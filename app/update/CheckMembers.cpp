#include "app/update/CheckMembers.h"

#include <memory>

#include "app/update/PartialPlan.h"
#include "zip/ExtractionTarget.h"
#include "zip/ZipExtractor.h"

namespace {

// An extraction that keeps nothing: the members are decoded and checked
// against their CRC-32, and their bytes go nowhere.
class TCheckOnly : public zip::ExtractionTarget {
  class Member : public zip::MemberOutput {
    void Write(const std::uint8_t*, std::size_t) override {}
    bool Reserve(std::uint64_t) override { return true; }
    bool Finish(std::int64_t, unsigned, bool) override { return true; }
    void Discard() override {}
  };

 public:
  void BeginRun(const AnsiString&) override {}
  std::unique_ptr<zip::MemberOutput> CreateMember(const AnsiString&) override { return std::make_unique<Member>(); }
  bool ForceDirectories(const AnsiString&) override { return true; }
  void Keep(std::unique_ptr<zip::MemberOutput>) override {}
  bool Waiting(const AnsiString&) const override { return false; }
  bool CompleteRun(bool, std::vector<zip::InstallBatch::RenameFailure>&) override { return true; }
  void AbandonRun() override {}
};

}  // namespace

bool FetchedMembersCheckOut(const AnsiString& path, const std::set<std::string>& fetched) {
  TCheckOnly nowhere;
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
    skip = fetched.count(InstalledName(checker, index)) == 0;
  };
  checker.OnBadCRC = [&](TObject*, std::uint32_t, std::uint32_t, int) { bad = true; };
  // Anything the extractor would tell is left for the real extraction to tell.
  checker.OnHandleMessage = [&](TObject*, int, const AnsiString&, const AnsiString&, unsigned, int&) { bad = true; };
  checker.OnBadPassword = [&](TObject*, int, AnsiString&) { bad = true; };
  checker.OnEndUnZip = [&](TObject*, int index, const AnsiString&) { verified.insert(InstalledName(checker, index)); };
  checker.UnZip();
  return !bad && verified == fetched;
}
