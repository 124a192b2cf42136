#pragma once
// An extraction target in memory: the members installed at the end of a run,
// by name, with their length, time and mode and (when asked) their bytes, and
// the directories made. Nothing reaches the disk.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "zip/ExtractionTarget.h"

namespace ziptest {

class MemoryTarget : public zip::ExtractionTarget {
 public:
  struct Member {
    std::uint64_t size = 0;
    std::string bytes;  // with keepBytes
    std::int64_t time = 0;
    unsigned mode = 0;
  };

  explicit MemoryTarget(bool keepBytes) : keepBytes_(keepBytes) {}
  std::map<AnsiString, Member> members;
  std::set<AnsiString> directories;

  void BeginRun(const AnsiString&) override { kept_.clear(); }
  std::unique_ptr<zip::MemberOutput> CreateMember(const AnsiString& path) override {
    return std::make_unique<Output>(*this, path);
  }
  bool ForceDirectories(const AnsiString& path) override {
    directories.insert(path);
    return true;
  }
  void Keep(std::unique_ptr<zip::MemberOutput> member) override {
    kept_.push_back(std::unique_ptr<Output>(static_cast<Output*>(member.release())));
  }
  bool Waiting(const AnsiString& path) const override {
    for (const auto& k : kept_)
      if (k->path == path) return true;
    return false;
  }
  bool CompleteRun(bool, std::vector<zip::InstallBatch::RenameFailure>&) override {
    for (auto& k : kept_) members[k->path] = std::move(k->member);
    kept_.clear();
    return true;
  }
  void AbandonRun() override { kept_.clear(); }

 private:
  struct Output : public zip::MemberOutput {
    Output(MemoryTarget& target, const AnsiString& path) : target(target), path(path) {}
    void Write(const std::uint8_t* data, std::size_t length) override {
      member.size += length;
      if (target.keepBytes_) member.bytes.append(reinterpret_cast<const char*>(data), length);
    }
    bool Reserve(std::uint64_t) override { return true; }
    bool Finish(std::int64_t unixTime, unsigned mode, bool) override {
      member.time = unixTime;
      member.mode = mode;
      return true;
    }
    void Discard() override { member = Member(); }

    MemoryTarget& target;
    AnsiString path;
    Member member;
  };
  bool keepBytes_;
  std::vector<std::unique_ptr<Output>> kept_;
};

}  // namespace ziptest
