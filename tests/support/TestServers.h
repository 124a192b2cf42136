#pragma once
// Servers for tests, started on free ports of 127.0.0.1 and stopped when the
// fixture object goes: the scripted raw-socket server and nginx, both from
// scripts/tools. Needs QUELBO_SOURCE_DIR defined to the source tree.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

inline std::string SourceDir() { return QUELBO_SOURCE_DIR; }

// A fresh directory under the system's temp directory, removed with its content.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quelbo-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream f(path, std::ios::binary);
  f << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// The bytes the scripted server sends for "send-body-from Start Count".
inline std::string PatternBytes(std::size_t start, std::size_t count) {
  std::string s(count, '\0');
  for (std::size_t i = 0; i < count; ++i) s[i] = static_cast<char>((start + i) % 251);
  return s;
}

// A file of that pattern, written a megabyte at a time (for large bodies).
inline void WritePatternFile(const std::string& path, std::size_t bytes) {
  const std::string block = PatternBytes(0, 251 << 12);  // whole periods, so blocks join seamlessly
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  for (std::size_t done = 0; done < bytes; done += block.size())
    f.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), bytes - done)));
  if (!f) throw std::runtime_error("cannot write " + path);
}

// A child process whose standard output is read line by line.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      dup2(out[1], 1);
      close(out[0]);
      close(out[1]);
      std::vector<char*> args;
      for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      execvp(args[0], args.data());
      _exit(127);
    }
    close(out[1]);
    out_ = fdopen(out[0], "r");
  }
  ~ChildProcess() {
    Kill();
    if (out_) fclose(out_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Everything it writes from now until it closes its standard output.
  std::string ReadAll() {
    std::string out;
    char buf[4096];
    for (std::size_t n; out_ && (n = fread(buf, 1, sizeof buf, out_)) > 0;) out.append(buf, n);
    return out;
  }
  std::string ReadLine() {
    char buf[512];
    if (!out_ || !fgets(buf, sizeof buf, out_)) return {};
    std::string s = buf;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
  }
  // Waits for the process to end; its exit status (-1 when killed).
  int Wait() {
    if (pid_ <= 0) return status_;
    int st = 0;
    waitpid(pid_, &st, 0);
    pid_ = -1;
    status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return status_;
  }
  void Kill() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      Wait();
    }
  }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
  int status_ = -1;
};

// A program run to its end: its exit status (-1 when it did not exit) and
// everything it wrote on standard output. Standard error is the test's.
struct CommandResult {
  int status = -1;
  std::string out;
};
inline CommandResult RunCommand(const std::vector<std::string>& argv) {
  ChildProcess child(argv);
  CommandResult result;
  result.out = child.ReadAll();
  result.status = child.Wait();
  return result;
}

// scripts/tools/http-script-server.py playing one script; see that file for
// the commands.
class ScriptServer {
 public:
  explicit ScriptServer(const std::string& script) {
    WriteFile(dir_ / "script.txt", script);
    proc_ = std::make_unique<ChildProcess>(std::vector<std::string>{
        "python3", SourceDir() + "/scripts/tools/http-script-server.py", dir_ / "script.txt", "--record",
        dir_ / "requests.bin"});
    std::string line = proc_->ReadLine();
    if (line.rfind("PORT ", 0) != 0) throw std::runtime_error("script server did not start");
    port_ = std::stoi(line.substr(5));
  }
  int Port() const { return port_; }
  std::string Url(const std::string& path = "/") const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  // Every request head the server read, in order, each ending in CR LF CR LF.
  std::string Requests() const { return ReadFile(dir_ / "requests.bin"); }
  // Waits for the script to end; 0 when every command succeeded.
  int Finish() { return proc_->Wait(); }

 private:
  TempDir dir_;
  std::unique_ptr<ChildProcess> proc_;
  int port_ = 0;
};

// nginx serving a document root through scripts/tools/nginx-fixture.sh.
class NginxServer {
 public:
  explicit NginxServer(const std::string& docroot) {
    std::string cmd = SourceDir() + "/scripts/tools/nginx-fixture.sh start '" + docroot + "' '" + prefix_.Path() + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) throw std::runtime_error("cannot run nginx-fixture.sh");
    char buf[64] = {0};
    bool got = fgets(buf, sizeof buf, p) != nullptr;
    int rc = pclose(p);
    if (!got || rc != 0) throw std::runtime_error("nginx did not start");
    port_ = std::atoi(buf);
  }
  ~NginxServer() {
    std::string cmd = SourceDir() + "/scripts/tools/nginx-fixture.sh stop '" + prefix_.Path() + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "nginx-fixture stop failed\n");
  }
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;
  int Port() const { return port_; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  // One line per request: "msec request_time status uri body_bytes_sent".
  std::string AccessLog() const { return ReadFile(prefix_ / "logs/access.log"); }

 private:
  TempDir prefix_;
  int port_ = 0;
};

// scripts/tools/cutting-proxy.py in front of a server on UpstreamPort, with
// that script's options ("--cut-every", "1000000", ...).
class CuttingProxy {
 public:
  CuttingProxy(int UpstreamPort, const std::vector<std::string>& Options) {
    std::vector<std::string> argv{"python3", SourceDir() + "/scripts/tools/cutting-proxy.py",
                                  std::to_string(UpstreamPort), "--stats", dir_ / "stats"};
    argv.insert(argv.end(), Options.begin(), Options.end());
    proc_ = std::make_unique<ChildProcess>(argv);
    std::string line = proc_->ReadLine();
    if (line.rfind("PORT ", 0) != 0) throw std::runtime_error("cutting proxy did not start");
    port_ = std::stoi(line.substr(5));
  }
  int Port() const { return port_; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  // A total of the connections that have ended: "connections", "forwarded"
  // (answer bytes the clients got) or "upstream" (taken from the server).
  long long Stat(const std::string& name) const {
    std::istringstream in(ReadFile(dir_ / "stats"));
    std::string key;
    long long value = 0;
    while (in >> key >> value)
      if (key == name) return value;
    return -1;
  }

 private:
  TempDir dir_;
  std::unique_ptr<ChildProcess> proc_;
  int port_ = 0;
};

}  // namespace testsupport
