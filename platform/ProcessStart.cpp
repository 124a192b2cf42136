#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Files.h"
#include "platform/Processes.h"

namespace platform {

bool StartDetached(const std::string& path) {
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

  // Two forks: the program becomes a child of init, so nobody has to wait for
  // it and it lives on when this process ends at once.
  pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    int devnull = ::open("/dev/null", O_RDWR);
    if (devnull >= 0) {
      ::dup2(devnull, 0);
      if (devnull > 0) ::close(devnull);
    }
    ::close_range(3, ~0U, 0);
    if (executable) ::execv(os.c_str(), runArgs);
    else ::execvp(opener, openArgs);
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platform
