#pragma once
// Replacing a file's whole content so that a crash, a full disk or a failed
// write never leaves it half written: the bytes go to a temporary file in the
// same directory, reach the disk, and only then take the file's name.
#include <cstddef>
#include <functional>
#include <string>

#include "platform/FileHandle.h"

namespace platform {

// Removes the regular files in dir (an operating-system path) whose names
// are ours and that no one holds locked: what runs that were killed or lost
// their power left behind.
void RemoveUnheldTemporaryFiles(const std::string& dir, const std::function<bool(const char* name)>& ours);

// Removes what replacements of the file at Path (a code page 936 path) that
// never finished left beside it; those a running replacement holds stay. (A
// replacement clears them too, but a file that is never written again would
// keep them for ever.)
void RemoveUnfinishedReplacements(const std::string& path);

// A new content for the file at a path, written under a temporary name in
// the same directory (locked while this object has it, so a later run can
// tell a file left by a crash from one still being written) and given the
// path's name only by Commit.
class FileReplacement {
 public:
  FileReplacement() = default;
  ~FileReplacement() { Discard(); }
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Creates the temporary file for Path (a code page 936 path), removing
  // what earlier runs that ended without finishing left for the same path.
  // An existing file keeps its permission bits; a file that exists but may not
  // be written, or that is not a regular file, is left alone and the call
  // fails. False on failure, with errno telling why.
  bool Open(const std::string& path);
  FileHandle Handle() const { return fd_; }
  // Writes all bytes at the file's offset; false (errno) when they did not fit.
  bool Write(const void* data, std::size_t size);
  // With durable set, the content reaches the disk first and the new name
  // after it. Then Check, when given, may refuse (errno ECANCELED); otherwise
  // the file takes the path's name. On failure the temporary file is removed
  // and the old content stays.
  bool Commit(bool durable, const std::function<bool()>& check = nullptr);
  // Removes the temporary file.
  void Discard();

 private:
  FileHandle fd_ = kNoFile;
  std::string temp_, target_, dir_;
  bool existed_ = false;
  unsigned mode_ = 0;
};

// Writes Size bytes as the new content of the file at Path (a code page 936
// path), durably. Returns false on any failure, with errno telling why; the old
// content is then unchanged and no temporary file is left behind.
bool ReplaceFileContent(const std::string& path, const void* data, std::size_t size);

// The same, but the bytes take the file's name only if Commit, called once
// they are on disk under the temporary name, returns true; otherwise the
// temporary file is removed, the old content stays and errno is ECANCELED.
// (Commit may finish work that ran while the bytes were written.)
bool ReplaceFileContent(const std::string& path, const void* data, std::size_t size,
                        const std::function<bool()>& commit);

inline bool ReplaceFileContent(const std::string& path, const std::string& bytes) {
  return ReplaceFileContent(path, bytes.data(), bytes.size());
}

// Gives the complete file at From the name To (both code page 936 paths in
// one directory), in place of a regular file of that name, which keeps its
// permission bits. With durable set, the content reaches the disk before the
// name and the name before this returns. False on failure, with errno telling
// why; nothing is renamed then.
bool MoveFileInto(const std::string& from, const std::string& to, bool durable);

}  // namespace platform
