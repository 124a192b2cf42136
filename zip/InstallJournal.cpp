#include "zip/InstallJournal.h"

#include <algorithm>
#include <cerrno>
#include <set>

#include "core/Streams.h"
#include "platform/AtomicFile.h"
#include "platform/Clock.h"
#include "platform/FileHandle.h"
#include "platform/Files.h"
#include "platform/PathNames.h"
#include "zip/JournalRecord.h"
#include "zip/ZipErrors.h"
#include "zip/ZipOutputFile.h"

namespace zip {

namespace {

using Kind = platform::PathStatus::Kind;

Kind KindOf(const std::string& path) {
  platform::PathStatus status;
  return platform::GetPathStatus(path, status) ? status.kind : platform::PathStatus::Missing;
}

// Another program that holds a file (a scanner, a game closing) mostly lets
// go of it soon: the rename is tried again for up to waitMs.
bool Rename(const std::string& from, const std::string& to, std::uint32_t waitMs = 0) {
  std::uint32_t waited = 0, pause = 50;
  for (;;) {
    platform::FileHandle none = platform::kNoFile;
    if (platform::RenameHeldFile(none, from, to)) return true;
    if (errno != EBUSY || waited >= waitMs) return false;
    const std::uint32_t step = std::min(pause, waitMs - waited);
    platform::SleepMs(step);
    waited += step;
    pause = std::min<std::uint32_t>(pause * 2, 1000);
    errno = EBUSY;
  }
}

// A move with every name spelled out (operating-system paths).
struct Placed {
  std::string temp, target, backup;  // backup empty: there was no old file
};

bool Exists(const std::string& path) { return KindOf(path) != platform::PathStatus::Missing; }

// The target relative to the journal's directory; false when it is not below it.
bool RelativeTo(const std::string& root, const std::string& path, std::string& relative) {
  if (root == ".") {
    relative = path;
    return platform::RootLength(path) == 0;
  }
  const bool rootEnds = platform::IsPathSeparator(root.back());
  if (path.size() <= root.size() || path.compare(0, root.size(), root) != 0 ||
      (!rootEnds && !platform::IsPathSeparator(path[root.size()])))
    return false;
  relative = path.substr(root.size() + (rootEnds ? 0 : 1));
  return true;
}

Placed Spelled(const std::string& root, const JournalEntry& e) {
  const std::string target = platform::JoinPath(root, e.target);
  const std::string dir = platform::DirectoryOf(target);
  return {platform::JoinPath(dir, e.temp), target,
          e.backup.empty() ? std::string() : platform::JoinPath(dir, e.backup)};
}

// The old file steps aside; nothing to do when there is none (any more) or
// it stepped aside already. Only a file ever moves.
bool Aside(const Placed& p, std::size_t& renames, std::uint32_t waitMs) {
  if (p.backup.empty() || Exists(p.backup)) return true;
  const Kind kind = KindOf(p.target);
  if (kind == platform::PathStatus::Missing) return true;
  if (kind != platform::PathStatus::File) {
    errno = kind == platform::PathStatus::Directory ? EISDIR : EEXIST;
    return false;
  }
  if (!Rename(p.target, p.backup, waitMs)) return false;
  ++renames;
  return true;
}

bool Into(const Placed& p, std::size_t& renames, std::uint32_t waitMs) {
  // Windows says only "access denied" where a directory stands.
  if (KindOf(p.target) == platform::PathStatus::Directory) {
    errno = EISDIR;
    return false;
  }
  if (!Rename(p.temp, p.target, waitMs)) return false;
  ++renames;
  return true;
}

// Neither waiting nor in place: the new content is gone.
bool Lost(const Placed& p) {
  if (Exists(p.temp)) return false;
  if (!Exists(p.target)) return true;
  // In place means the old file went aside first, when there was one.
  return !p.backup.empty() && !Exists(p.backup);
}

// Takes a move back, whatever part of it was done; false (errno) when the
// old file cannot come back.
bool Back(const Placed& p) {
  if (!p.backup.empty() && Exists(p.backup)) {
    if (!Rename(p.backup, p.target)) return false;
  } else if (p.backup.empty() && !Exists(p.temp) && KindOf(p.target) == platform::PathStatus::File) {
    // There was no old file: what stands there is the new one.
    if (!platform::RemoveFile(p.target) && errno != ENOENT) return false;
  }
  platform::RemoveFile(p.temp);
  return true;
}

// Takes the first Count moves back (and whatever of the next one was done)
// so that the new files wait under their temporary names again; false
// (errno) when a file cannot move.
bool Withdraw(const std::vector<Placed>& placed, std::size_t count) {
  for (std::size_t i = std::min(count + 1, placed.size()); i-- > 0;) {
    const Placed& p = placed[i];
    const bool backupThere = !p.backup.empty() && Exists(p.backup);
    if (!Exists(p.temp) && (p.backup.empty() || backupThere) && !Rename(p.target, p.temp)) return false;
    if (backupThere && !Rename(p.backup, p.target)) return false;
  }
  return true;
}

void SyncDirectoriesOf(const std::vector<Placed>& placed) {
  std::set<std::string> directories;
  for (const Placed& p : placed) directories.insert(platform::DirectoryOf(p.target));
  for (const std::string& d : directories) platform::SyncDirectory(d);
}

[[noreturn]] void Fail(const char* what, const std::string& target, int error) {
  throw EInstallJournal(
      Format("%s \"%s\". %s", what, platform::FromOsPath(target).c_str(), platform::ErrorText(error).c_str()));
}

std::string RootOf(const AnsiString& journalPath) { return platform::DirectoryOf(platform::ToOsPath(journalPath)); }

}  // namespace

bool InstallJournal::MoveIntoPlace(const std::vector<JournalMove>& moves, const std::vector<std::string>& directories,
                                   JournalFailure& failure) {
  const std::string root = RootOf(path_);
  JournalRecord record{false, payload_, {}};
  std::vector<Placed> placed;
  std::set<std::string> targets, backups;
  for (std::size_t i = 0; i < moves.size(); ++i) {
    const JournalMove& m = moves[i];
    JournalEntry e;
    const Kind kind = KindOf(m.target);
    if (!RelativeTo(root, m.target, e.target) ||
        (kind != platform::PathStatus::Missing && kind != platform::PathStatus::File)) {
      failure = {i, m.target, kind == platform::PathStatus::Directory ? EISDIR : EINVAL};
      return false;
    }
    e.temp = platform::NameOf(m.temp);
    // A second move to one target finds the first one's file there.
    const bool again = !targets.insert(m.target).second;
    if (kind == platform::PathStatus::File || again)
      e.backup = FreeTemporaryName(platform::DirectoryOf(m.target), backups);
    placed.push_back(Spelled(root, e));
    record.entries.push_back(std::move(e));
  }

  const std::string journal = platform::ToOsPath(path_);
  if (!platform::ReplaceFileContent(path_, EncodeJournal(record))) {
    failure = {moves.size(), journal, errno};
    return false;
  }
  std::size_t renames = 0, done = 0;
  if (afterRename) afterRename(0);
  for (; done < placed.size(); ++done) {
    const Placed& p = placed[done];
    const std::size_t before = renames;
    if (!Aside(p, renames, inUseWaitMs)) break;
    if (renames != before && afterRename) afterRename(renames);
    if (!Into(p, renames, inUseWaitMs)) break;
    if (afterRename) afterRename(renames);
  }
  std::size_t touched = done + 1;  // the moves to take back
  if (done < placed.size()) {
    failure = {done, moves[done].target, errno};
    // The file is still in use: the installation waits for the next start
    // with the old files in place, unless they cannot all come back.
    if (failure.error == EBUSY && Withdraw(placed, done)) {
      failure.waits = true;
      return false;
    }
  } else {
    for (const std::string& d : directories) platform::SyncDirectory(d);
    record.moved = true;
    if (platform::ReplaceFileContent(path_, EncodeJournal(record))) return true;
    failure = {moves.size(), journal, errno};
    touched = placed.size();
  }
  for (std::size_t i = touched; i-- > 0;) Back(placed[i]);
  platform::RemoveFile(journal);
  return false;
}

JournalOutcome CompleteInstall(const AnsiString& journalPath, const JournalRecorder& record) {
  if (!platform::FileExists(journalPath)) return JournalOutcome::kNone;
  std::string bytes;
  {
    TFileStream file(journalPath, fmOpenRead);
    bytes.resize(static_cast<std::size_t>(file.Size()));
    file.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  }
  std::optional<JournalRecord> journal = DecodeJournal(bytes);
  if (!journal) {
    // Written whole or not at all, so only a damaged disk gets here. The
    // version stays unrecorded: the next update installs every file again.
    platform::DeleteFile(journalPath);
    return JournalOutcome::kDiscarded;
  }
  const std::string root = RootOf(journalPath);
  std::vector<Placed> placed;
  for (const JournalEntry& e : journal->entries) placed.push_back(Spelled(root, e));

  if (!journal->moved) {
    bool lost = false;
    for (const Placed& p : placed) lost = lost || Lost(p);
    if (lost) {
      for (std::size_t i = placed.size(); i-- > 0;)
        if (!Back(placed[i])) Fail("An interrupted installation cannot be undone:", placed[i].target, errno);
      platform::DeleteFile(journalPath);
      return JournalOutcome::kUndone;
    }
    std::size_t renames = 0;
    for (const Placed& p : placed)
      if (Exists(p.temp) && (!Aside(p, renames, kInUseWaitMs) || !Into(p, renames, kInUseWaitMs)))
        Fail("An interrupted installation cannot be completed:", p.target, errno);
    SyncDirectoriesOf(placed);
    journal->moved = true;
    if (!platform::ReplaceFileContent(journalPath, EncodeJournal(*journal)))
      Fail("An interrupted installation cannot be completed:", platform::ToOsPath(journalPath), errno);
  }
  std::vector<std::string> targets;
  for (const Placed& p : placed) targets.push_back(p.target);
  record(journal->payload, targets);
  for (const Placed& p : placed)
    if (!p.backup.empty()) platform::RemoveFile(p.backup);
  platform::DeleteFile(journalPath);
  return JournalOutcome::kCompleted;
}

}  // namespace zip
