#pragma once
// Where an extraction puts what it makes: each member's output, written,
// verified and then kept waiting until the run completes, when all of them
// take their names together; and the directories. The disk is the default;
// another target (memory, for the fuzz entry) sees the same calls in the same
// order.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/Types.h"
#include "zip/DecodeContext.h"
#include "zip/ZipInstallBatch.h"

namespace zip {

class MemberOutput : public OutputSink {
 public:
  // Room for the member before its data comes. False only when there is none.
  virtual bool Reserve(std::uint64_t size) = 0;
  // The member is verified: what is buffered is written (and flushed at once
  // with flushToDisk), and it gets its time and mode. False when the data
  // could not be written.
  virtual bool Finish(std::int64_t unixTime, unsigned mode, bool flushToDisk) = 0;
  // Drops what was written; the target stays as it was.
  virtual void Discard() = 0;
};

class ExtractionTarget {
 public:
  virtual ~ExtractionTarget() = default;
  // A run begins that writes below root; whatever an earlier run left
  // waiting is dropped.
  virtual void BeginRun(const AnsiString& root) = 0;
  // The output of a member bound for path; null when it cannot be made there.
  virtual std::unique_ptr<MemberOutput> CreateMember(const AnsiString& path) = 0;
  // Makes the directory and the ones above it; false (errno) when that fails.
  virtual bool ForceDirectories(const AnsiString& path) = 0;
  // A finished member (made by CreateMember) waits to take its name.
  virtual void Keep(std::unique_ptr<MemberOutput> member) = 0;
  // Whether a kept member waits to take the name path.
  virtual bool Waiting(const AnsiString& path) const = 0;
  // The run completes: with durable set, what was kept reaches the disk
  // first (a failure there drops everything and returns false, errno telling
  // why); then each member takes its name, in the order kept. failures lists
  // those that could not (targets as operating-system paths); with a
  // journal, the first of them takes every other back and the call returns
  // false.
  virtual bool CompleteRun(bool durable, std::vector<InstallBatch::RenameFailure>& failures) = 0;
  // Drops every kept member, and the directories the run made that stay empty then.
  virtual void AbandonRun() = 0;
  // The run's members take their names through this journal (BeginRun
  // forgets it); a target without files ignores it.
  virtual void SetJournal(std::unique_ptr<InstallJournal> journal) { (void)journal; }
};

// Files and directories on disk, each member through a temporary file in its
// target's directory, all renamed at the end of the run (InstallBatch).
class DiskTarget : public ExtractionTarget {
 public:
  void BeginRun(const AnsiString& root) override;
  std::unique_ptr<MemberOutput> CreateMember(const AnsiString& path) override;
  bool ForceDirectories(const AnsiString& path) override;
  void Keep(std::unique_ptr<MemberOutput> member) override;
  bool Waiting(const AnsiString& path) const override;
  bool CompleteRun(bool durable, std::vector<InstallBatch::RenameFailure>& failures) override;
  void AbandonRun() override;
  void SetJournal(std::unique_ptr<InstallJournal> journal) override { batch_.SetJournal(std::move(journal)); }

 private:
  InstallBatch batch_;
  // The directories this run made, each after those above it.
  std::vector<std::string> made_;
};

}  // namespace zip
