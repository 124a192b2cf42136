#pragma once
// The verified members of one extraction, waiting under their temporary names.
// They take their target names together at the end of the run, after their
// data has reached the disk when the run asks for that, so a crash or power
// cut leaves each target either as it was or with its complete new content;
// a run that fails takes none of them.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/FileHandle.h"
#include "zip/InstallJournal.h"

namespace zip {

// A member's temporary file, written, timed and given its mode. fd is still
// open (holding the file, which keeps a cleanup from taking it) or kNoFile.
struct FinishedFile {
  platform::FileHandle fd = platform::kNoFile;
  std::string temp;    // operating-system paths
  std::string target;
};

class InstallBatch {
 public:
  InstallBatch() = default;
  ~InstallBatch();  // whatever was not committed is removed
  InstallBatch(const InstallBatch&) = delete;
  InstallBatch& operator=(const InstallBatch&) = delete;

  // The directory below which everything is written (operating-system path).
  void SetRoot(const std::string& root) { root_ = root; }
  // With a journal, Commit moves the files into place through it: all of
  // them take their names or none does, across a kill or power cut too, and
  // their data always reaches the disk first. Without one, each file takes
  // its name on its own.
  void SetJournal(std::unique_ptr<InstallJournal> journal) { journal_ = std::move(journal); }
  // Starts writing the file back to disk without waiting for it, so that by
  // the end of the run most of the data is there already.
  void Add(FinishedFile file);
  // A directory this run made (its parent gained an entry).
  void AddCreatedDirectory(const std::string& directory);
  // Whether a member waits to take this target name.
  bool Waiting(const std::string& target) const { return targets_.count(target) != 0; }

  struct RenameFailure {
    std::size_t order;  // of the file among those added
    std::string target;
    int error;
  };
  // With durable set, the files' data and their inodes reach the disk first
  // (a failure there removes them all and returns false, errno telling why);
  // then each file takes its target name, in the order added, and the
  // directories that gained entries reach the disk. Returns the names that
  // could not be taken through failures. With a journal, a name that cannot
  // be taken takes every other one back: false, with that one in failures
  // (the journal's own path when the journal could not be written).
  bool Commit(bool durable, std::vector<RenameFailure>& failures);
  // Removes every waiting file.
  void Discard();

 private:
  void NoteDirectoryChain(const std::string& directory);
  bool CommitThroughJournal(std::vector<RenameFailure>& failures);

  std::string root_;
  std::vector<FinishedFile> files_;
  std::multiset<std::string> targets_;
  // Directories whose entries change, from the root down.
  std::set<std::string> directories_;
  int open_ = 0;
  std::unique_ptr<InstallJournal> journal_;
};

}  // namespace zip
