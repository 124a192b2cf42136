#pragma once
// One run of the updater (or another program of the installation) from its
// installation directory on a given display, optionally through a runner such
// as Wine, optionally with a limit on the size of the files it may write (a disk that
// fills up) or with the installation directory mounted read-only. Its output
// is kept for failure reports; it is killed if still running when the object
// goes.
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/TestServers.h"

namespace e2e {

struct LaunchOptions {
  std::string display;
  // RLIMIT_FSIZE in bytes; writes beyond it fail with EFBIG. Negative: none.
  long long maxFileSize = -1;
  // Runs the updater in a mount namespace of its own where the installation
  // directory is a read-only bind mount (for root, whom permissions do not stop).
  bool readOnlyMount = false;
  // The program, relative to the installation directory, and its arguments.
  std::string program = "quelbo-updater";
  std::vector<std::string> arguments{};
  // A command that runs the program ("wine-run.sh PREFIX"), given "./program"
  // and the arguments after its own. The run then has a process group of its
  // own, which Kill ends whole: the runner's children with it.
  std::vector<std::string> runner{};
};

class UpdaterProcess {
 public:
  // The exit code of a run whose read-only mount could not be made.
  static constexpr int kNoReadOnlyMount = 125;

  UpdaterProcess(const std::string& installDir, const LaunchOptions& options);
  // Whether this process may make the read-only mount of readOnlyMount.
  static bool ReadOnlyMountWorks();
  ~UpdaterProcess();
  UpdaterProcess(const UpdaterProcess&) = delete;
  UpdaterProcess& operator=(const UpdaterProcess&) = delete;

  pid_t Pid() const { return pid_; }
  // Waits up to timeoutMs for the process to end. Its exit code, or -signal
  // when a signal ended it; nothing while it still runs.
  std::optional<int> WaitExit(int timeoutMs);
  bool Running() { return !WaitExit(0).has_value(); }
  void Kill();
  // Its peak resident memory in kilobytes, once it has ended.
  long PeakKb() const { return peakKb_; }
  // What it wrote on stdout and stderr.
  std::string Output() const { return testsupport::ReadFile(log_ / "output.txt"); }

 private:
  testsupport::TempDir log_;
  pid_t pid_ = -1;
  std::optional<int> status_;
  bool group_ = false;
  long peakKb_ = 0;
};

}  // namespace e2e
