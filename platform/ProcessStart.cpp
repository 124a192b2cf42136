#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Files.h"
#include "platform/Processes.h"

namespace platform {

bool StartDetached(const std::string& path, int* error) {
  int unused = 0;
  int& err = error ? *error : unused;
  err = 0;
  const std::string os = ToOsPath(path);
  struct stat st;
  const bool executable = ::stat(os.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(os.c_str(), X_OK) == 0;
  // Everything the child needs is prepared before the fork: between fork and
  // exec only async-signal-safe calls are allowed.
  const char* opener = "xdg-open";
  char* const runArgs[] = {const_cast<char*>(os.c_str()), nullptr};
  char* const openArgs[] = {const_cast<char*>(opener), const_cast<char*>(os.c_str()), nullptr};
  sigset_t none;
  sigemptyset(&none);
  // The program reports through this pipe: an exec that succeeds closes it
  // unwritten, one that fails writes its errno. Until then the read waits.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    err = errno;
    return false;
  }

  // Two forks: the program becomes a child of init, so nobody has to wait for
  // it and it lives on when this process ends at once.
  pid_t child = ::fork();
  if (child < 0) {
    err = errno;
    ::close(report[0]);
    ::close(report[1]);
    return false;
  }
  if (child == 0) {
    int out = report[1];
    ::close(report[0]);
    // Above the standard streams, which are about to be replaced.
    if (out < 3) {
      const int moved = ::fcntl(out, F_DUPFD_CLOEXEC, 3);
      if (moved >= 0) out = moved;
    }
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild != 0) {
      if (grandchild < 0) {
        int e = errno;
        (void)!::write(out, &e, sizeof e);
      }
      ::_exit(grandchild < 0 ? 1 : 0);
    }
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    if (out > 3) ::close_range(3, static_cast<unsigned>(out) - 1, 0);
    ::close_range(static_cast<unsigned>(out) + 1, ~0U, 0);
    int devnull = ::open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      ::dup2(devnull, 0);
      if (devnull > 0) ::close(devnull);
    }
    if (executable) ::execv(os.c_str(), runArgs);
    else ::execvp(opener, openArgs);
    int e = errno;
    (void)!::write(out, &e, sizeof e);
    ::_exit(127);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int reported = 0;
  ssize_t n;
  do n = ::read(report[0], &reported, sizeof reported);
  while (n < 0 && errno == EINTR);
  ::close(report[0]);
  if (n == static_cast<ssize_t>(sizeof reported)) {
    err = reported;
    return false;
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    err = ECHILD;
    return false;
  }
  return true;
}

bool MakeExecutable(const std::string& path) {
  const std::string os = ToOsPath(path);
  struct stat st;
  if (::stat(os.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // Whoever may read it may run it.
  const mode_t mode = (st.st_mode & 07777) | ((st.st_mode & 0444) >> 2);
  return mode == (st.st_mode & 07777) || ::chmod(os.c_str(), mode) == 0;
}

}  // namespace platform
