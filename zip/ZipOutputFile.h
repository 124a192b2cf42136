#pragma once
// The file a member is decoded into: a temporary file in the target's
// directory, renamed over the target only once the member has been verified,
// so a failed member never costs the file it would have replaced.
#include <cstdint>
#include <vector>

#include "core/Types.h"
#include "zip/DecodeContext.h"

namespace zip {

class TempOutputFile : public OutputSink {
 public:
  TempOutputFile() = default;
  ~TempOutputFile() override;
  TempOutputFile(const TempOutputFile&) = delete;
  TempOutputFile& operator=(const TempOutputFile&) = delete;

  // Creates the temporary file beside target; false when the directory refuses it.
  bool Create(const AnsiString& target);
  // Raises ECantWriteUCF "Cant write uncompressed file" on a short write.
  void Write(const std::uint8_t* data, std::size_t length) override;
  enum class CommitResult { Ok, WriteFailed, RenameFailed };
  // Writes what is buffered, optionally flushes it to disk, sets the time and
  // mode and renames the file over the target.
  CommitResult Commit(std::int64_t unixTime, unsigned mode, bool flushToDisk);
  // Removes the temporary file.
  void Discard();

 private:
  bool FlushBuffer();
  int fd_ = -1;
  std::string osTemp_;
  std::string osTarget_;
  std::vector<std::uint8_t> buffer_;
  std::size_t buffered_ = 0;
  bool wroteAnything_ = false;
};

}  // namespace zip
