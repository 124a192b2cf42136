#include "tests/e2e/UpdateServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "platform/Clock.h"

namespace e2e {

namespace {

constexpr const char* kNginx = "/usr/sbin/nginx";
constexpr int kStartTimeoutMs = 15000;

bool Accepts(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

}  // namespace

bool UpdateServer::PortBusy(int port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bool busy = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0;
  close(fd);
  return busy;
}

UpdateServer::UpdateServer(int port) : port_(port) {
  std::filesystem::create_directories(root_ / "docroot/version");
  std::filesystem::create_directories(root_ / "docroot/packages");
  std::filesystem::create_directories(root_ / "nginx/logs");
  std::filesystem::create_directories(root_ / "nginx/tmp");
  Start();
}

void UpdateServer::Start() {
  if (access(kNginx, X_OK) != 0) {
    failure_ = "nginx is not installed";
    return;
  }
  const std::string fixture = testsupport::SourceDir() + "/scripts/tools/nginx-fixture.sh";
  const std::string docroot = root_ / "docroot", prefix = root_ / "nginx", port = std::to_string(port_);
  const std::string errorLog = prefix + "/logs/error.log";
  pid_ = fork();
  if (pid_ == 0) {
    // The server goes with the test process, even when that one crashes.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    int devNull = open("/dev/null", O_RDWR);
    dup2(devNull, 0);
    dup2(devNull, 1);
    // The script becomes nginx itself, so pid_ is the master's.
    execl("/bin/bash", "bash", fixture.c_str(), "run", docroot.c_str(), prefix.c_str(), port.c_str(), nullptr);
    _exit(127);
  }
  if (pid_ < 0) {
    failure_ = "fork failed";
    return;
  }
  for (std::uint64_t end = platform::TickCount() + kStartTimeoutMs; platform::TickCount() < end;) {
    if (Accepts(port_)) return;
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) break;
    platform::SleepMs(20);
  }
  failure_ = "nginx did not start on port " + std::to_string(port_) + ": " + testsupport::ReadFile(errorLog);
  if (waitpid(pid_, nullptr, WNOHANG) == 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  pid_ = -1;
}

UpdateServer::~UpdateServer() {
  if (pid_ <= 0) return;
  // A fast shutdown: the master ends its worker before it exits itself.
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

std::string UpdateServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void UpdateServer::SetReply(const std::string& bytes) { testsupport::WriteFile(root_ / "docroot/version/version.php", bytes); }

void UpdateServer::Publish(const std::string& name, const std::string& bytes) {
  testsupport::WriteFile(PackagePath(name), bytes);
}

std::string UpdateServer::PackagePath(const std::string& name) const { return root_ / ("docroot/packages/" + name); }

void UpdateServer::PublishFile(const std::string& name, const std::string& path) {
  std::error_code ec;
  std::filesystem::create_hard_link(path, PackagePath(name), ec);
  if (ec) std::filesystem::copy_file(path, PackagePath(name), std::filesystem::copy_options::overwrite_existing);
}

std::vector<UpdateServer::LoggedRequest> UpdateServer::Log() const {
  // Log lines: time, duration, status, path, bytes sent.
  std::istringstream log(testsupport::ReadFile(root_ / "nginx/logs/access.log"));
  std::vector<LoggedRequest> out;
  LoggedRequest r;
  while (log >> r.endSeconds >> r.seconds >> r.status >> r.path >> r.bytes) out.push_back(r);
  return out;
}

std::vector<std::string> UpdateServer::Requests() const {
  std::vector<std::string> out;
  for (const LoggedRequest& r : Log()) out.push_back(std::to_string(r.status) + " " + r.path);
  return out;
}

}  // namespace e2e
