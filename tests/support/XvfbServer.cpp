#include "tests/support/XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>
#include <vector>

namespace testsupport {

namespace {

std::string FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// Long enough for a slow, busy machine; Xvfb is ready in well under a second.
constexpr int kStartTimeoutMs = 30000;

}  // namespace

bool XvfbServer::Installed() { return !FindOnPath("Xvfb").empty(); }

XvfbServer::XvfbServer(int width, int height, int depth) {
  std::string program = FindOnPath("Xvfb");
  if (program.empty()) {
    failure_ = "Xvfb is not installed";
    return;
  }
  int fds[2];
  if (pipe(fds) != 0) {
    failure_ = "pipe failed";
    return;
  }
  std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
  std::string fdText = std::to_string(fds[1]);
  pid_ = fork();
  if (pid_ == 0) {
    // The server goes with the test process, even when that one crashes.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    close(fds[0]);
    int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, 0);
    dup2(devNull, 1);
    dup2(devNull, 2);
    std::vector<const char*> args = {program.c_str(), "-displayfd", fdText.c_str(), "-screen", "0", screen.c_str(),
                                     "-nolisten", "tcp", "-noreset", nullptr};
    execv(program.c_str(), const_cast<char* const*>(args.data()));
    _exit(127);
  }
  close(fds[1]);
  if (pid_ < 0) {
    close(fds[0]);
    failure_ = "fork failed";
    return;
  }
  // The server writes its display number and a newline once it listens.
  std::string number;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fds[0], POLLIN, 0};
    int n = poll(&p, 1, static_cast<int>(left.count()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    char buf[32];
    ssize_t got = read(fds[0], buf, sizeof buf);
    if (got <= 0) break;
    number.append(buf, static_cast<size_t>(got));
    if (number.find('\n') != std::string::npos) break;
  }
  close(fds[0]);
  if (auto nl = number.find('\n'); nl != std::string::npos && nl > 0) {
    name_ = ":" + number.substr(0, nl);
  } else {
    failure_ = "Xvfb did not report a display number";
    Stop();
  }
}

XvfbServer::~XvfbServer() { Stop(); }

void XvfbServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

}  // namespace testsupport
