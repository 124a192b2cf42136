#pragma once
// The renames that put an installation's files in place, written down before
// the first of them. A run stopped among them (killed, the power gone, a
// rename refused) leaves its journal behind, and the next start completes it
// or, where a file's new content is gone, undoes it: the files are then all
// old or all new, never some of each. An old file moves aside to a name of
// its own before the new one takes its name, so that it can come back; it goes
// only once the installation is complete and recorded.
//
// The journal reaches the system through the platform's file operations
// alone, so every system keeps the same journal.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Types.h"

namespace zip {

// One file's way into place (operating-system paths): its new content waits
// under a temporary name in the target's directory.
struct JournalMove {
  std::string temp;
  std::string target;
};

struct JournalFailure {
  std::size_t order = 0;  // of the move that failed
  std::string target;
  int error = 0;  // errno
  // A file in use (EBUSY): the old files are back, the new ones wait under
  // their temporary names, and the journal stays for the next start.
  bool waits = false;
};

// How long a rename waits for another program to let go of a file.
inline constexpr std::uint32_t kInUseWaitMs = 10000;

class InstallJournal {
 public:
  // A journal at Path (code page 936); every target lies below its
  // directory. Payload is what the installation records once it is complete
  // (see CompleteInstall); the journal only carries it.
  InstallJournal(AnsiString path, std::string payload) : path_(std::move(path)), payload_(std::move(payload)) {}

  // Writes the journal to disk, then for each move in order takes the old
  // file aside and gives the new one its name; the directories (those of the
  // targets, operating-system paths) then reach the disk, and so does the
  // journal's note that every file is in place. The old files stay aside
  // until CompleteInstall. On failure every move is taken back, the journal
  // is removed and false returned, with Failure telling which move failed
  // (errno ECANCELED: the journal itself could not be written). A file that
  // another program holds is waited for, up to inUseWaitMs with pauses that
  // grow; then the moves are taken back but the new files and the journal
  // stay (Failure.waits), so the next start completes the installation.
  bool MoveIntoPlace(const std::vector<JournalMove>& moves, const std::vector<std::string>& directories,
                     JournalFailure& failure);

  // Called once the journal is on disk (with 0) and after each rename with
  // the number done so far: the seam where a test stops a run the way a kill
  // would.
  std::function<void(std::size_t renames)> afterRename;
  std::uint32_t inUseWaitMs = kInUseWaitMs;

 private:
  AnsiString path_;
  std::string payload_;
};

enum class JournalOutcome {
  kNone,       // no journal: the last installation ended whole
  kCompleted,  // the installation is complete and recorded
  kUndone,     // a file's new content was gone: every file is back as it was
  kDiscarded,  // the journal could not be read; it is gone, the files stay as they are
};

// Finishes what the journal at Path (code page 936) describes; run on every
// start before anything else, and by the installing run itself once its files
// are in place. Files still waiting take their names, and Record is called
// with the payload and the installed files (operating-system paths), also
// when an earlier call already did (it must be repeatable); then the old
// files and the journal are removed. Where a file's new content is gone,
// every file is taken back instead and nothing is recorded. Raises
// EInstallJournal when a file cannot be moved or Record raises; the journal
// then stays for the next start.
using JournalRecorder = std::function<void(const std::string& payload, const std::vector<std::string>& targets)>;
JournalOutcome CompleteInstall(const AnsiString& journalPath, const JournalRecorder& record);

}  // namespace zip
