#include "tests/e2e/UpdaterProcess.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/Clock.h"

extern char** environ;

namespace e2e {

namespace {

// In the child, between fork and exec: only async-signal-safe calls.
bool MountReadOnly(const char* dir) {
  return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         mount(dir, dir, nullptr, MS_BIND | MS_REC, nullptr) == 0 &&
         mount(nullptr, dir, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

}  // namespace

UpdaterProcess::UpdaterProcess(const std::string& installDir, const LaunchOptions& options) {
  const std::string output = log_ / "output.txt";
  // The command line, built before the fork as well.
  const std::string path = options.runner.empty() ? installDir + "/" + options.program : options.runner[0];
  std::vector<std::string> args = options.runner;
  args.push_back(options.runner.empty() ? options.program : "./" + options.program);
  args.insert(args.end(), options.arguments.begin(), options.arguments.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  group_ = !options.runner.empty();
  // The environment is built before the fork: the child only execs.
  std::vector<std::string> env = {"DISPLAY=" + options.display};
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "DISPLAY=", 8) != 0) env.push_back(*e);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_ = fork();
  if (pid_ != 0) return;

  if (group_) setpgid(0, 0);
  // The updater goes with the test process, even when that one crashes.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int devNull = open("/dev/null", O_RDONLY);
  dup2(devNull, 0);
  dup2(out, 1);
  dup2(out, 2);
  if (options.readOnlyMount && !MountReadOnly(installDir.c_str())) {
    static const char why[] = "cannot make a read-only mount of the installation directory\n";
    (void)!write(2, why, sizeof why - 1);
    _exit(kNoReadOnlyMount);
  }
  if (options.maxFileSize >= 0) {
    // Ignored, the signal turns the oversized write into an EFBIG failure
    // the program sees, as it would see a full disk.
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{static_cast<rlim_t>(options.maxFileSize), static_cast<rlim_t>(options.maxFileSize)};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  if (chdir(installDir.c_str()) != 0) _exit(126);
  execve(path.c_str(), argv.data(), envp.data());
  _exit(127);
}

bool UpdaterProcess::ReadOnlyMountWorks() {
  testsupport::TempDir probe;
  pid_t pid = fork();
  if (pid == 0) _exit(MountReadOnly(probe.Path().c_str()) ? 0 : 1);
  int st = 0;
  return pid > 0 && waitpid(pid, &st, 0) == pid && WIFEXITED(st) && WEXITSTATUS(st) == 0;
}

UpdaterProcess::~UpdaterProcess() { Kill(); }

std::optional<int> UpdaterProcess::WaitExit(int timeoutMs) {
  if (status_ || pid_ <= 0) return status_;
  const std::uint64_t end = platform::TickCount() + static_cast<std::uint64_t>(timeoutMs);
  for (;;) {
    int st = 0;
    rusage usage{};
    if (wait4(pid_, &st, WNOHANG, &usage) == pid_) {
      status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st);
      peakKb_ = usage.ru_maxrss;
      return status_;
    }
    if (platform::TickCount() >= end) return std::nullopt;
    platform::SleepMs(20);
  }
}

void UpdaterProcess::Kill() {
  if (pid_ <= 0 || status_) return;
  kill(group_ ? -pid_ : pid_, SIGKILL);
  int st = 0;
  waitpid(pid_, &st, 0);
  status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -WTERMSIG(st);
}

}  // namespace e2e
