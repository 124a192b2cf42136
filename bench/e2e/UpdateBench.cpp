// One complete update of a large package by the real program, beside curl and
// Info-ZIP unzip doing the same two steps in the same run. The updater runs
// from its installation directory under Xvfb against nginx on 127.0.0.1; its
// download is timed from the package request (nginx's log) to the moment the
// saved package appears, its extraction from then until the process ends
// (the launcher started, the package deleted). Each round also runs the copy
// that trusts a publisher's key on a signed reply (signature, size and
// SHA-256 checked), so the cost of checking shows as a ratio too. Best of the
// rounds, as ratios.
//
//   e2e_update_bench [package size in MB, default 200] [rounds, default 3]
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/Packages.h"
#include "tests/e2e/Releases.h"
#include "tests/e2e/UpdateServer.h"
#include "tests/e2e/UpdaterProcess.h"
#include "tests/support/XvfbServer.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr const char* kPackage = "package.zip";
constexpr const char* kLauncher = "start.sh";

double Now() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count();
}

double Mb(double bytes) { return bytes / (1024.0 * 1024.0); }

// Text-like files (they deflate to about 42 per cent) and noise (it does not),
// 8 MB each, about as many bytes of each, plus many small files and the
// launcher; sized so that the package comes out near packageMb.
void WriteContent(const std::string& root, std::size_t packageMb) {
  std::uint64_t x = 0x9E3779B97F4A7C15ull;
  auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return x;
  };
  std::vector<std::string> words;
  for (int i = 0; i < 3000; ++i) {
    std::string w;
    for (std::uint64_t n = 2 + next() % 8; n > 0; --n) w += static_cast<char>('a' + next() % 26);
    words.push_back(w);
  }
  // Each pair of 8 MB files adds about 11.4 MB to the package (the text
  // deflates to 42 per cent): rounded to the nearest pair.
  const std::size_t pairs = std::max<std::size_t>(1, (packageMb * 100 + 568) / 1136);
  for (std::size_t i = 0; i < pairs; ++i) {
    std::string noise(8u << 20, '\0'), text;
    for (std::size_t k = 0; k + 8 <= noise.size(); k += 8) {
      std::uint64_t v = next();
      std::memcpy(&noise[k], &v, 8);
    }
    text.reserve(noise.size() + 128);
    while (text.size() < noise.size()) {
      for (std::uint64_t n = 4 + next() % 10; n > 0; --n) text += words[next() % words.size()] + ' ';
      text.back() = '\n';
    }
    text.resize(noise.size());
    const std::string dir = root + "/data/pack" + std::to_string(i % 10);
    testsupport::WriteFile(dir + "/noise" + std::to_string(i) + ".bin", noise);
    testsupport::WriteFile(dir + "/text" + std::to_string(i) + ".txt", text);
  }
  for (int i = 0; i < 400; ++i)
    testsupport::WriteFile(root + "/ui/icons" + std::to_string(i % 8) + "/icon" + std::to_string(i) + ".cfg",
                           std::string(2048 + i * 8, static_cast<char>('A' + i % 26)));
  testsupport::WriteFile(root + "/" + kLauncher, "#!/bin/sh\nexit 0\n");
  fs::permissions(root + "/" + kLauncher, fs::perms(0755));
}

// The package, made once and kept beside the benchmark.
std::string Package(std::size_t packageMb) {
  const std::string path = std::string(BENCH_DATA_DIR) + "/package-" + std::to_string(packageMb) + "mb.zip";
  if (fs::exists(path)) return path;
  testsupport::TempDir content;
  std::printf("making the package (once) ...\n");
  std::fflush(stdout);
  WriteContent(content.Path(), packageMb);
  if (e2e::Shell("cd '" + content.Path() + "' && zip -q -r '" + path + ".part' .") != 0) {
    std::fprintf(stderr, "zip failed\n");
    std::exit(1);
  }
  fs::rename(path + ".part", path);
  return path;
}

std::uintmax_t TreeBytes(const std::string& root) {
  std::uintmax_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) total += e.file_size();
  return total;
}

struct Timed {
  double seconds = 0;
  long peakKb = 0;
  int status = -1;
};

Timed Run(std::vector<std::string> argv) {
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  Timed t;
  const double start = Now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return t;
  int st = 0;
  rusage usage{};
  wait4(pid, &st, 0, &usage);
  t.seconds = Now() - start;
  t.peakKb = usage.ru_maxrss;
  t.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return t;
}

struct Round {
  double download = 0, extraction = 0;
  double saving = 0;  // of the download: from nginx's last byte to the saved file
  long peakKb = 0;
};

bool RunUpdater(e2e::UpdateServer& server, const std::string& display, std::uintmax_t contentBytes, Round& out,
                const std::string& program = QUELBO_UPDATER_E2E) {
  e2e::Installation install(program);
  install.WriteVersion("1.0");
  e2e::UpdaterProcess updater(install.Dir(), {display});
  double saved = 0, ended = 0;
  for (const double deadline = Now() + 600; Now() < deadline;) {
    if (!saved && fs::exists(install.Path(kPackage))) saved = Now();
    if (updater.WaitExit(0)) {
      ended = Now();
      break;
    }
    platform::SleepMs(1);
  }
  if (!ended || updater.WaitExit(0) != 0 || !saved) {
    std::fprintf(stderr, "the updater did not complete the update:\n%s\n", updater.Output().c_str());
    return false;
  }
  double start = 0, sent = 0;
  for (const auto& r : server.Log())
    if (r.path == std::string("/packages/") + kPackage && r.status == 200) {
      start = r.endSeconds - r.seconds;
      sent = r.endSeconds;
    }
  const std::uintmax_t installed = TreeBytes(install.Dir()) - fs::file_size(install.Path("quelbo-updater")) -
                                   fs::file_size(install.Path("xconfig.ini"));
  if (!start || installed != contentBytes) {
    std::fprintf(stderr, "unexpected result: %ju bytes installed of %ju\n", installed, contentBytes);
    return false;
  }
  out.download = saved - start;
  out.saving = saved - sent;
  out.extraction = ended - saved;
  out.peakKb = updater.PeakKb();
  return true;
}

bool RunPeer(const std::string& url, std::uintmax_t contentBytes, Round& out, long& curlKb, long& unzipKb) {
  testsupport::TempDir dir;
  Timed curl = Run({"curl", "-s", "-f", "-o", dir / kPackage, url});
  Timed unzip = Run({"unzip", "-q", "-o", dir / kPackage, "-d", dir / "install"});
  if (curl.status != 0 || unzip.status != 0 || TreeBytes(dir / "install") != contentBytes) {
    std::fprintf(stderr, "curl or unzip failed\n");
    return false;
  }
  out.download = curl.seconds;
  out.extraction = unzip.seconds;
  curlKb = std::max(curlKb, curl.peakKb);
  unzipKb = std::max(unzipKb, unzip.peakKb);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t packageMb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  if (e2e::UpdateServer::PortBusy(E2E_PORT)) {
    std::fprintf(stderr, "127.0.0.1:%d is in use; the test copy of the updater asks that port\n", E2E_PORT);
    return 1;
  }
  const std::string package = Package(packageMb);
  std::uintmax_t contentBytes = 0;
  {
    testsupport::TempDir probe;
    if (!e2e::UnzipInto(package, probe / "x")) return 1;
    contentBytes = TreeBytes(probe / "x");
  }
  std::printf("package: %.1f MB, %.1f MB extracted\n", Mb(fs::file_size(package)), Mb(contentBytes));

  testsupport::XvfbServer xvfb(800, 600, 24);
  if (!xvfb.Running()) {
    std::fprintf(stderr, "%s\n", xvfb.Failure().c_str());
    return 1;
  }
  e2e::UpdateServer server(E2E_PORT);
  if (!server.Running()) {
    std::fprintf(stderr, "%s\n", server.Failure().c_str());
    return 1;
  }
  server.PublishFile(kPackage, package);
  const std::string plainReply = "2.0|" + server.Url("/packages/") + "|" + kPackage + "|" + kLauncher;
  e2e::ReleaseToSign release;
  release.baseUrl = server.Url("/packages/");
  release.packageFile = server.PackagePath(kPackage);
  release.program = kLauncher;
  const std::string signedReply = e2e::ReleaseKey::TestKey().Sign(release);

  Round bestOurs{1e9, 1e9, 0}, bestPeer{1e9, 1e9, 0}, bestSigned{1e9, 1e9, 0};
  double bestOursTotal = 1e9, bestPeerTotal = 1e9, bestSignedTotal = 1e9;
  long oursKb = 0, curlKb = 0, unzipKb = 0;
  for (int i = 1; i <= rounds; ++i) {
    Round ours, peer, withKey;
    server.SetReply(signedReply);
    if (!RunUpdater(server, xvfb.Name(), contentBytes, withKey, QUELBO_UPDATER_E2E_SIGNED)) return 1;
    server.SetReply(plainReply);
    if (!RunUpdater(server, xvfb.Name(), contentBytes, ours)) return 1;
    if (!RunPeer(server.Url(std::string("/packages/") + kPackage), contentBytes, peer, curlKb, unzipKb)) return 1;
    std::printf("round %d: updater download %.3f s (of which saving %.3f s), extraction %.3f s | with a key "
                "%.3f s + %.3f s | curl %.3f s, unzip %.3f s\n",
                i, ours.download, ours.saving, ours.extraction, withKey.download, withKey.extraction, peer.download,
                peer.extraction);
    bestSigned = {std::min(bestSigned.download, withKey.download),
                  std::min(bestSigned.extraction, withKey.extraction), 0};
    bestSignedTotal = std::min(bestSignedTotal, withKey.download + withKey.extraction);
    bestOurs = {std::min(bestOurs.download, ours.download), std::min(bestOurs.extraction, ours.extraction), 0};
    bestPeer = {std::min(bestPeer.download, peer.download), std::min(bestPeer.extraction, peer.extraction), 0};
    bestOursTotal = std::min(bestOursTotal, ours.download + ours.extraction);
    bestPeerTotal = std::min(bestPeerTotal, peer.download + peer.extraction);
    oursKb = std::max(oursKb, ours.peakKb);
  }
  const double packageBytes = static_cast<double>(fs::file_size(package));
  std::printf("best of %d (ratio = updater time / peer time):\n", rounds);
  std::printf("  download    updater %.3f s (%.0f MB/s)   curl %.3f s (%.0f MB/s)   ratio %.2f\n", bestOurs.download,
              Mb(packageBytes) / bestOurs.download, bestPeer.download, Mb(packageBytes) / bestPeer.download,
              bestOurs.download / bestPeer.download);
  std::printf("  extraction  updater %.3f s (%.0f MB/s)   unzip %.3f s (%.0f MB/s)   ratio %.2f\n", bestOurs.extraction,
              Mb(contentBytes) / bestOurs.extraction, bestPeer.extraction, Mb(contentBytes) / bestPeer.extraction,
              bestOurs.extraction / bestPeer.extraction);
  std::printf("  both        updater %.3f s   curl + unzip %.3f s   ratio %.2f\n", bestOursTotal, bestPeerTotal,
              bestOursTotal / bestPeerTotal);
  std::printf("  with a key  download %.3f s   extraction %.3f s   update %.3f s   ratio to without %.3f\n",
              bestSigned.download, bestSigned.extraction, bestSignedTotal, bestSignedTotal / bestOursTotal);
  std::printf("  peak memory updater %.0f MB   curl %.0f MB   unzip %.0f MB\n", oursKb / 1024.0, curlKb / 1024.0,
              unzipKb / 1024.0);
  return 0;
}
