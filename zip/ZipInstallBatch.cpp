#include "zip/ZipInstallBatch.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

namespace zip {

namespace {

// Files held open for their lock; beyond this they are closed once written
// and opened again for the flush, so a large package needs no more handles.
constexpr int kMaxHeldOpen = 256;

std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

int SyncPath(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return errno;
  const int r = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  return r;
}

// fsync waits for the device; two at a time keep it busier than one.
template <typename Each>
int ForAllOnTwoThreads(std::size_t count, const Each& each) {
  std::atomic<std::size_t> next{0};
  std::atomic<int> failure{0};
  auto work = [&] {
    for (std::size_t i; (i = next++) < count;)
      if (int e = each(i)) failure = e;
  };
  std::thread helper(work);
  work();
  helper.join();
  return failure;
}

}  // namespace

InstallBatch::~InstallBatch() { Discard(); }

void InstallBatch::Add(FinishedFile file) {
  if (file.fd >= 0) {
    ::sync_file_range(file.fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    if (open_ >= kMaxHeldOpen) {
      ::close(file.fd);
      file.fd = -1;
    } else {
      ++open_;
    }
  }
  targets_.insert(file.target);
  NoteDirectoryChain(ParentOf(file.target));
  files_.push_back(std::move(file));
}

void InstallBatch::AddCreatedDirectory(const std::string& directory) { NoteDirectoryChain(ParentOf(directory)); }

void InstallBatch::NoteDirectoryChain(const std::string& directory) {
  // A directory that gained an entry, and those above it up to the root,
  // which may have gained that directory in this run.
  for (std::string d = directory;; d = ParentOf(d)) {
    if (!directories_.insert(d).second) return;
    if (d.size() <= root_.size() || d.compare(0, root_.size(), root_) != 0) return;
  }
}

bool InstallBatch::Commit(bool durable, std::vector<RenameFailure>& failures) {
  if (durable || journal_) {
    const int error = ForAllOnTwoThreads(files_.size(), [&](std::size_t i) {
      const FinishedFile& f = files_[i];
      if (f.fd >= 0) return ::fsync(f.fd) == 0 ? 0 : errno;
      return SyncPath(f.temp, O_RDONLY);
    });
    if (error) {
      Discard();
      errno = error;
      return false;
    }
  }
  if (journal_) return CommitThroughJournal(failures);
  for (std::size_t i = 0; i < files_.size(); ++i) {
    FinishedFile& f = files_[i];
    if (::rename(f.temp.c_str(), f.target.c_str()) != 0) {
      failures.push_back({i, f.target, errno});
      ::unlink(f.temp.c_str());
    }
    if (f.fd >= 0) ::close(f.fd);
    f.fd = -1;
    f.temp.clear();
  }
  files_.clear();
  targets_.clear();
  open_ = 0;
  if (durable) {
    // The renames and new entries: a directory that refuses fsync is no error.
    const std::vector<std::string> directories(directories_.begin(), directories_.end());
    ForAllOnTwoThreads(directories.size(), [&](std::size_t i) {
      SyncPath(directories[i], O_RDONLY | O_DIRECTORY);
      return 0;
    });
  }
  directories_.clear();
  return true;
}

bool InstallBatch::CommitThroughJournal(std::vector<RenameFailure>& failures) {
  // The data is on disk and the journal keeps the files from any cleanup:
  // nothing needs them open, and Windows renames only files nobody holds.
  std::vector<JournalMove> moves;
  for (FinishedFile& f : files_) {
    if (f.fd >= 0) ::close(f.fd);
    f.fd = -1;
    moves.push_back({f.temp, f.target});
  }
  const std::vector<std::string> directories(directories_.begin(), directories_.end());
  JournalFailure failure;
  const bool moved = journal_->MoveIntoPlace(moves, directories, failure);
  journal_.reset();
  if (!moved) {
    failures.push_back({failure.order, failure.target, failure.error});
    Discard();
    errno = failure.error;
    return false;
  }
  for (FinishedFile& f : files_) f.temp.clear();
  files_.clear();
  targets_.clear();
  directories_.clear();
  open_ = 0;
  return true;
}

void InstallBatch::Discard() {
  for (FinishedFile& f : files_) {
    if (f.fd >= 0) ::close(f.fd);
    if (!f.temp.empty()) ::unlink(f.temp.c_str());
  }
  files_.clear();
  targets_.clear();
  directories_.clear();
  open_ = 0;
  journal_.reset();
}

}  // namespace zip
