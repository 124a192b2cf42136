// A whole update beside its peer, in one run: the updater asks nginx on
// 127.0.0.1 for the version, downloads a ZIP package, saves it, extracts it
// into a fresh installation directory and deletes it; the peer does the same
// with curl and Info-ZIP unzip. Times and peak memory are reported as ratios.
//
//   update_bench [package content in MB, default 64] [rounds, default 3]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Seams.h"
#include "app/Unit1.h"
#include "framework/Dialogs.h"
#include "platform/Display.h"
#include "platform/headless/HeadlessDisplay.h"
#include "support/TestServers.h"

namespace {

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

struct Result {
  double seconds = 0;
  long peakKb = 0;
};

// Files of mixed content, half text-like (compresses well), half noise.
std::string MakePackage(const std::string& dir, std::size_t mb) {
  const std::string content = dir + "/content";
  std::filesystem::create_directories(content + "/data");
  std::uint32_t x = 12345;
  for (std::size_t i = 0; i < mb / 4; ++i) {
    std::string bytes(4 << 20, '\0');
    for (std::size_t k = 0; k < bytes.size(); ++k) {
      x = x * 1103515245u + 12345u;
      bytes[k] = i % 2 ? static_cast<char>(x >> 24) : "quelbo update data line\n"[k % 24];
    }
    testsupport::WriteFile(content + "/data/file" + std::to_string(i) + ".bin", bytes);
  }
  const std::string cmd = "cd '" + content + "' && zip -q -r ../pkg.zip data";
  if (std::system(cmd.c_str()) != 0) std::exit(1);
  std::filesystem::remove_all(content);
  return dir + "/pkg.zip";
}

// The updater's procedure in a child process, so its peak memory is its own.
Result RunUpdater(const std::string& host, const std::string& install) {
  int p[2];
  if (pipe(p) != 0) std::abort();
  pid_t pid = fork();
  if (pid == 0) {
    close(p[0]);
    platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>());
    SetAppDirOverride(install + "/");
    SetUpdateHostOverride(host);
    SetOnlineHook([] { return 1; });
    double end = 0;
    SetExitHook([&](int) { end = Seconds(); });
    SetMessageBoxHook([](const MessageBoxRequest&) { return static_cast<int>(IDOK); });
    auto* app = new TApplication(nullptr);
    TForm1* form = app->CreateForm<TForm1>();
    form->Timer1->SetEnabled(false);
    const double start = Seconds();
    form->doUpDate();
    double t = end - start;
    if (end == 0 || !std::filesystem::exists(install + "/data/file0.bin")) _exit(2);
    if (write(p[1], &t, sizeof t) != sizeof t) _exit(3);
    _exit(0);
  }
  close(p[1]);
  double t = 0;
  bool ok = read(p[0], &t, sizeof t) == sizeof t;
  close(p[0]);
  int status = 0;
  rusage ru{};
  wait4(pid, &status, 0, &ru);
  if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "the update failed (status %d)\n", status);
    std::exit(1);
  }
  return {t, ru.ru_maxrss};
}

Result RunPeer(const std::string& base, const std::string& install) {
  const std::string script = "curl -s -o /dev/null '" + base + "version/version.php' && curl -s -o '" + install +
                             "/pkg.zip' '" + base + "pkg.zip' && unzip -q -o '" + install + "/pkg.zip' -d '" + install +
                             "' && rm '" + install + "/pkg.zip'";
  const double start = Seconds();
  pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage ru{};
  wait4(pid, &status, 0, &ru);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "curl and unzip failed\n");
    std::exit(1);
  }
  return {Seconds() - start, ru.ru_maxrss};
}

void Fresh(const std::string& dir, bool withIni) {
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  if (withIni) testsupport::WriteFile(dir + "/xconfig.ini", "[version]\r\nver=1.0\r\n");
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t mb = std::max<std::size_t>(4, argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 64);
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;

  testsupport::TempDir docroot, work;
  const std::string package = MakePackage(docroot.Path(), mb);
  const double packageMb = static_cast<double>(std::filesystem::file_size(package)) / (1 << 20);
  testsupport::NginxServer nginx(docroot.Path());
  const std::string host = "127.0.0.1:" + std::to_string(nginx.Port());
  const std::string base = "http://" + host + "/";
  testsupport::WriteFile(docroot / "version/version.php", "2.0|" + base + "|pkg.zip|");
  const std::string install = work / "install";

  Fresh(install, true);
  RunPeer(base, install);  // warm the page cache

  std::vector<double> ours, peers;
  long peakKb = 0, peerPeakKb = 0;
  for (int i = 0; i < rounds; ++i) {
    Fresh(install, true);
    Result o = RunUpdater(host, install);
    Fresh(install, false);
    Result p = RunPeer(base, install);
    ours.push_back(o.seconds);
    peers.push_back(p.seconds);
    peakKb = std::max(peakKb, o.peakKb);
    peerPeakKb = std::max(peerPeakKb, p.peakKb);
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  const double o = median(ours), p = median(peers);
  std::printf("package              %.1f MB holding %zu MB, %d rounds (medians)\n", packageMb, mb, rounds);
  std::printf("updater              %8.3f s\n", o);
  std::printf("curl + unzip         %8.3f s\n", p);
  std::printf("ratio updater/peer   %8.2f  (time; below 1 is faster)\n", o / p);
  std::printf("updater peak RSS     %8.1f MB (package %.1f MB is held in memory); peer %.1f MB\n",
              static_cast<double>(peakKb) / 1024.0, packageMb, static_cast<double>(peerPeakKb) / 1024.0);
  return 0;
}
