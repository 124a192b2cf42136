#include "platform/Processes.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/Files.h"

namespace platform {
namespace {

bool ReadSmallFile(const std::string& path, std::string& out) {
  out.clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[4096];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
    // A command line can be long; the first word is all that is needed.
    if (out.find('\0') != std::string::npos || out.size() > (1u << 16)) break;
  }
  ::close(fd);
  return true;
}

bool IsPid(const char* s) {
  if (!*s) return false;
  for (; *s; ++s)
    if (*s < '0' || *s > '9') return false;
  return true;
}

}  // namespace

std::vector<ProcessEntry> ListProcesses() {
  std::vector<ProcessEntry> list;
  DIR* proc = ::opendir("/proc");
  if (!proc) return list;
  while (dirent* e = ::readdir(proc)) {
    if (!IsPid(e->d_name)) continue;
    std::string base = std::string("/proc/") + e->d_name;
    std::string name;
    // A process may end between the listing and the read; it is then skipped.
    if (!ReadSmallFile(base + "/cmdline", name)) continue;
    name = name.substr(0, name.find('\0'));
    if (name.empty()) {
      if (!ReadSmallFile(base + "/comm", name)) continue;
      while (!name.empty() && name.back() == '\n') name.pop_back();
    }
    list.push_back({std::atoi(e->d_name), FromOsPath(name)});
  }
  ::closedir(proc);
  return list;
}

int CurrentProcessId() { return static_cast<int>(::getpid()); }

bool KillProcess(int pid) { return pid > 0 && ::kill(pid, SIGKILL) == 0; }

std::string ExecutablePath() {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return FromOsPath(std::string(buf, static_cast<size_t>(n)));
}

}  // namespace platform
