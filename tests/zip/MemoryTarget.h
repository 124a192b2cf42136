#pragma once
// An extraction target in memory: the members committed, by name, with their
// length, time and mode and (when asked) their bytes, and the directories
// made. Nothing reaches the disk.
#include <map>
#include <memory>
#include <set>
#include <string>

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

  std::unique_ptr<zip::MemberOutput> CreateMember(const AnsiString& path) override {
    return std::make_unique<Output>(*this, path);
  }
  bool ForceDirectories(const AnsiString& path) override {
    directories.insert(path);
    return true;
  }

 private:
  class Output : public zip::MemberOutput {
   public:
    Output(MemoryTarget& target, const AnsiString& path) : target_(target), path_(path) {}
    void Write(const std::uint8_t* data, std::size_t length) override {
      pending_.size += length;
      if (target_.keepBytes_) pending_.bytes.append(reinterpret_cast<const char*>(data), length);
    }
    bool Reserve(std::uint64_t) override { return true; }
    CommitResult Commit(std::int64_t unixTime, unsigned mode, bool) override {
      pending_.time = unixTime;
      pending_.mode = mode;
      target_.members[path_] = std::move(pending_);
      pending_ = Member();
      return CommitResult::Ok;
    }
    void Discard() override { pending_ = Member(); }

   private:
    MemoryTarget& target_;
    AnsiString path_;
    Member pending_;
  };
  bool keepBytes_;
};

}  // namespace ziptest
