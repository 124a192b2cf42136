#include "zip/ZipInstallBatch.h"

#include <atomic>
#include <cerrno>
#include <thread>

#include "platform/PathNames.h"

namespace zip {

namespace {

// Files held open for their lock; beyond this they are closed once written
// and opened again for the flush, so a large package needs no more handles.
constexpr int kMaxHeldOpen = 256;

std::string ParentOf(const std::string& path) { return platform::DirectoryOf(path); }


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
  if (file.fd != platform::kNoFile) {
    platform::StartWriteBack(file.fd);
    if (open_ >= kMaxHeldOpen) {
      platform::CloseFile(file.fd);
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
      if (f.fd != platform::kNoFile) return platform::SyncFile(f.fd) ? 0 : errno;
      return platform::SyncClosedFile(f.temp) ? 0 : errno;
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
    if (!platform::RenameHeldFile(f.fd, f.temp, f.target)) {
      failures.push_back({i, f.target, errno});
      platform::CloseFile(f.fd);
      platform::RemoveFile(f.temp);
    }
    platform::CloseFile(f.fd);
    f.temp.clear();
  }
  files_.clear();
  targets_.clear();
  open_ = 0;
  if (durable) {
    // The renames and new entries: a directory that refuses fsync is no error.
    const std::vector<std::string> directories(directories_.begin(), directories_.end());
    ForAllOnTwoThreads(directories.size(), [&](std::size_t i) {
      platform::SyncDirectory(directories[i]);
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
    platform::CloseFile(f.fd);
    moves.push_back({f.temp, f.target});
  }
  const std::vector<std::string> directories(directories_.begin(), directories_.end());
  JournalFailure failure;
  const bool moved = journal_->MoveIntoPlace(moves, directories, failure);
  journal_.reset();
  if (!moved) {
    failures.push_back({failure.order, failure.target, failure.error});
    // The journal completes the installation at the next start with them.
    if (failure.waits)
      for (FinishedFile& f : files_) f.temp.clear();
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
    platform::CloseFile(f.fd);
    if (!f.temp.empty()) platform::RemoveFile(f.temp);
  }
  files_.clear();
  targets_.clear();
  directories_.clear();
  open_ = 0;
  journal_.reset();
}

}  // namespace zip
