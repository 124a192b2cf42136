#pragma once
// Throw-away processes for the tests that end processes by name.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "tests/support/TestServers.h"

extern char** environ;

namespace apptest {

// A "sleep 60" whose argv[0] reads Shown, once the process shows it.
class Sleeper {
 public:
  // Runs Program (a path) with argv[0] Shown through bash's exec -a.
  Sleeper(const std::string& program, const std::string& shown) {
    std::string script = "exec -a \"$1\" \"$0\" 60";
    std::vector<std::string> args = {"bash", "-c", script, program, shown};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, "/bin/bash", nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
    const std::uint64_t end = platform::TickCount() + 10000;
    while (platform::TickCount() < end && ShownName() != shown) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ~Sleeper() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  int Pid() const { return pid_; }
  std::string ShownName() const {
    std::string cmdline = testsupport::ReadFile("/proc/" + std::to_string(pid_) + "/cmdline");
    return cmdline.substr(0, cmdline.find('\0'));
  }
  // Waits up to 10 s for the process to end; true when it was killed.
  bool EndedByKill() {
    int status = 0;
    const std::uint64_t end = platform::TickCount() + 10000;
    while (platform::TickCount() < end) {
      pid_t r = waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        pid_ = -1;
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

 private:
  pid_t pid_ = -1;
};

}  // namespace apptest
