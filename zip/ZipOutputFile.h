#pragma once
// The file a member is decoded into: a temporary file in the target's
// directory, renamed over the target only once the member has been verified
// (by the run's InstallBatch), so a failed member never costs the file it
// would have replaced.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "core/Types.h"
#include "platform/FileHandle.h"
#include "zip/ExtractionTarget.h"
#include "zip/ZipInstallBatch.h"

namespace zip {

// Removes the temporary files that an interrupted extraction left in
// directory: names of our own pattern that no running extraction holds.
void RemoveStaleTemporaryFiles(const AnsiString& directory);

// Whether Name (one component) is of the pattern of this library's temporary files.
bool IsTemporaryFileName(const std::string& name);
// A name of that pattern for a file in Directory (an operating-system path)
// where nothing stands and that Taken does not hold yet; it is added to Taken.
std::string FreeTemporaryName(const std::string& osDirectory, std::set<std::string>& taken);

class TempOutputFile : public MemberOutput {
 public:
  TempOutputFile() = default;
  ~TempOutputFile() override;
  TempOutputFile(const TempOutputFile&) = delete;
  TempOutputFile& operator=(const TempOutputFile&) = delete;

  // Creates the temporary file beside target; false when the directory refuses it.
  bool Create(const AnsiString& target);
  // Gives the file its size before the data comes, so a full disk is found
  // before anything is written. False only when the disk has no room; a file
  // system that cannot reserve space counts as room.
  bool Reserve(std::uint64_t size) override;
  // Raises ECantWriteUCF "Cant write uncompressed file" on a short write.
  void Write(const std::uint8_t* data, std::size_t length) override;
  // Writes what is buffered, optionally flushes it to disk at once, and sets
  // the time and mode; false when the data could not be written. The file
  // then goes to the batch that renames it.
  bool Finish(std::int64_t unixTime, unsigned mode, bool flushToDisk) override;
  FinishedFile Detach();
  // Removes the temporary file.
  void Discard() override;

 private:
  bool FlushBuffer();
  platform::FileHandle fd_ = platform::kNoFile;
  std::string osTemp_;
  std::string osTarget_;
  std::vector<std::uint8_t> buffer_;
  std::size_t buffered_ = 0;
  bool wroteAnything_ = false;
};

}  // namespace zip
