#pragma once
// A game client's installation directory for one end-to-end test: the test
// copy of the updater, "xconfig.ini" and whatever files the test puts there,
// inside a private temporary directory that also holds a sibling directory
// nothing may ever write into. Snapshots show exactly what a run changed.
#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/TestServers.h"

namespace e2e {

struct FileState {
  bool directory = false;
  bool symlink = false;
  mode_t permissions = 0;
  std::string bytes;  // content of a regular file, target of a link
  bool operator==(const FileState&) const = default;
};
// Relative path ("data/a.txt") to its state.
using Tree = std::map<std::string, FileState>;

// Reads every entry below root (root itself excluded).
Tree ReadTree(const std::string& root);

struct TreeChanges {
  std::vector<std::string> added, removed, changed;
  bool None() const { return added.empty() && removed.empty() && changed.empty(); }
  std::string Describe() const;
};
TreeChanges Compare(const Tree& before, const Tree& after);

class Installation {
 public:
  // Copies the updater in under name ("quelbo-updater.exe" for the Windows
  // program).
  explicit Installation(const std::string& updaterBinary, const std::string& name = "quelbo-updater");
  ~Installation();

  const std::string& Dir() const { return dir_; }
  std::string Path(const std::string& relative) const { return dir_ + "/" + relative; }
  // A directory beside the installation directory that must stay empty.
  const std::string& Outside() const { return outside_; }
  // The private temporary directory holding both.
  const std::string& Root() const { return root_.Path(); }

  void Put(const std::string& relative, const std::string& bytes, mode_t mode = 0644);
  // Writes "xconfig.ini" with section "version", key "ver".
  void WriteVersion(const std::string& version);
  // The recorded version: the value of "ver" in section "version".
  std::optional<std::string> RecordedVersion() const;

  bool Has(const std::string& relative) const;
  std::string Read(const std::string& relative) const;
  Tree Snapshot() const { return ReadTree(dir_); }

  // Takes the write permission away from the directory and everything in it
  // (and gives it back when the object goes).
  void RemoveWritePermission();

 private:
  testsupport::TempDir root_;
  std::string dir_, outside_;
  bool readOnly_ = false;
};

}  // namespace e2e
