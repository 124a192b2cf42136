#pragma once
// Where an extraction puts what it makes: each member's output, written,
// verified and only then committed under the member's name, and the
// directories. The disk is the default; another target (memory, for the
// fuzz entry) sees the same calls in the same order.
#include <cstdint>
#include <memory>

#include "core/Types.h"
#include "zip/DecodeContext.h"

namespace zip {

class MemberOutput : public OutputSink {
 public:
  enum class CommitResult { Ok, WriteFailed, RenameFailed };
  // Room for the member before its data comes. False only when there is none.
  virtual bool Reserve(std::uint64_t size) = 0;
  // The verified member becomes the target, with its time and mode.
  virtual CommitResult Commit(std::int64_t unixTime, unsigned mode, bool flushToDisk) = 0;
  // Drops what was written; the target stays as it was.
  virtual void Discard() = 0;
};

class ExtractionTarget {
 public:
  virtual ~ExtractionTarget() = default;
  // The output of a member bound for path; null when it cannot be made there.
  virtual std::unique_ptr<MemberOutput> CreateMember(const AnsiString& path) = 0;
  // Makes the directory and the ones above it; false when that fails.
  virtual bool ForceDirectories(const AnsiString& path) = 0;
};

// Files and directories on disk, each member through a temporary file.
ExtractionTarget& DiskTarget();

}  // namespace zip
