#pragma once
// Servers for tests, started on free ports of 127.0.0.1 and stopped when the
// fixture object goes: the scripted raw-socket server and nginx, both from
// scripts/tools. Needs QUELBO_SOURCE_DIR defined to the source tree. Under
// Wine the Windows test programs reach those Linux programs, and the Linux
// oracles, through scripts/windows/host-agent.py.
#ifdef _WIN32
#include "platform/Socket.h"
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <filesystem>
#include <random>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace testsupport {

inline std::string SourceDir() { return QUELBO_SOURCE_DIR; }

// The file-system path of a UTF-8 text, which the Windows C++ library would
// otherwise read in the ANSI code page.
inline std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Of(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

// A fresh directory under the system's temp directory, removed with its content.
class TempDir {
 public:
  TempDir() {
#ifdef _WIN32
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      const auto candidate =
          std::filesystem::temp_directory_path() / ("quelbo-test-" + std::to_string(random() % 1000000000));
      if (std::filesystem::create_directory(candidate)) path_ = Utf8Of(candidate);
    }
    if (path_.empty()) throw std::runtime_error("no temporary directory");
#else
    std::string tmpl = (std::filesystem::temp_directory_path() / "quelbo-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
#endif
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(FsPath(path_), ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(FsPath(path).parent_path());
  std::ofstream f(FsPath(path), std::ios::binary);
  f << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream f(FsPath(path), std::ios::binary);
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
  std::ofstream f(FsPath(path), std::ios::binary | std::ios::trunc);
  for (std::size_t done = 0; done < bytes; done += block.size())
    f.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), bytes - done)));
  if (!f) throw std::runtime_error("cannot write " + path);
}

// A child process whose standard output is read line by line.
#ifdef _WIN32
// A Linux program that the host agent runs; Windows paths among the
// arguments become the Linux paths Wine maps them to.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv) {
    const char* port = std::getenv("QUELBO_HOST_AGENT_PORT");
    if (!port || !*port) throw std::runtime_error("no host agent: run the test through scripts/windows/wine-run.sh");
    if (socket_.Open() != 0 || socket_.Connect(0x7F000001, static_cast<std::uint16_t>(std::atoi(port))) != 0)
      throw std::runtime_error("cannot reach the host agent");
    std::string request = "[";
    for (const std::string& a : argv) {
      request += request.size() > 1 ? ",\"" : "\"";
      for (char c : a) {
        if (c == '"' || c == '\\') request += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
          char esc[8];
          std::snprintf(esc, sizeof esc, "\\u%04x", c);
          request += esc;
        } else {
          request += c;
        }
      }
      request += '"';
    }
    request += "]\n";
    int error = 0;
    for (std::size_t done = 0; done < request.size();) {
      const std::ptrdiff_t n = socket_.Send(request.data() + done, request.size() - done, error);
      if (n <= 0) throw std::runtime_error("cannot reach the host agent");
      done += static_cast<std::size_t>(n);
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Everything it writes from now until it closes its standard output.
  std::string ReadAll() {
    while (NextFrame()) {
    }
    std::string out;
    out.swap(pending_);
    return out;
  }
  std::string ReadLine() {
    std::size_t end;
    while ((end = pending_.find('\n')) == std::string::npos && NextFrame()) {
    }
    std::string s = pending_.substr(0, end);
    pending_.erase(0, end == std::string::npos ? end : end + 1);
    while (!s.empty() && s.back() == '\r') s.pop_back();
    return s;
  }
  // Waits for the process to end; its exit status (-1 when killed).
  int Wait() {
    while (NextFrame()) {
    }
    return status_;
  }
  void Kill() { socket_.Close(); }

 private:
  // Reads one frame of the agent into pending_; false once the program ended.
  bool NextFrame() {
    if (ended_) return false;
    std::string head;
    for (char c; ReadExactly(&c, 1) && c != '\n';) head += c;
    if (head.size() > 2 && head[0] == 'D') {
      std::string data(static_cast<std::size_t>(std::stoull(head.substr(2))), '\0');
      if (ReadExactly(data.data(), data.size())) {
        pending_ += data;
        return true;
      }
    }
    ended_ = true;
    status_ = head.size() > 2 && head[0] == 'X' ? std::atoi(head.c_str() + 2) : -1;
    return false;
  }
  bool ReadExactly(char* p, std::size_t n) {
    int error = 0;
    while (n > 0) {
      const std::ptrdiff_t got = socket_.IsOpen() ? socket_.Receive(p, n, error) : -1;
      if (got <= 0) return false;
      p += got;
      n -= static_cast<std::size_t>(got);
    }
    return true;
  }

  platform::TcpSocket socket_;
  std::string pending_;
  bool ended_ = false;
  int status_ = -1;
};
#else
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

#endif

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
    const CommandResult started = RunCommand({Fixture(), "start", docroot, prefix_.Path()});
    if (started.status != 0 || started.out.empty()) throw std::runtime_error("nginx did not start");
    port_ = std::atoi(started.out.c_str());
  }
  ~NginxServer() {
    if (RunCommand({Fixture(), "stop", prefix_.Path()}).status != 0) std::fprintf(stderr, "nginx-fixture stop failed\n");
  }
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;
  int Port() const { return port_; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  // One line per request: "msec request_time status uri body_bytes_sent".
  std::string AccessLog() const { return ReadFile(prefix_ / "logs/access.log"); }

 private:
  static std::string Fixture() { return SourceDir() + "/scripts/tools/nginx-fixture.sh"; }
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
