// One complete update of a large package by the real program, beside curl and
// bsdtar doing the same two steps in the same run, with and without `sync -f`
// after them (the updater's own update includes getting everything it
// unpacked onto the disk before it records the version). The updater runs
// from its installation directory under Xvfb against nginx on 127.0.0.1; its
// update is timed from the package request (nginx's log) to the moment the
// process ends (the launcher started, the package deleted), and split into
// the download (until nginx has sent the last byte), the write (until the
// package file has its name) and the extraction (the rest). Each round also
// runs the copy that trusts a publisher's key on a signed reply (signature,
// size and SHA-256 checked), and the same package down the road a package
// too large for memory takes (straight into its file). Best of the rounds,
// as ratios, with the peak resident memory of each.
//
//   e2e_update_bench [package size in MB, default 200] [rounds, default 3]
//   e2e_update_bench --sparse [size in MB, default 3072] [rounds, default 1]
//
// --sparse serves one stored member of zeros whose archive is written with
// a hole where the data goes, so a package of gigabytes costs no disk space.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchPackage.h"
#include "platform/Clock.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/Packages.h"
#include "tests/e2e/Releases.h"
#include "tests/e2e/UpdateServer.h"
#include "tests/e2e/UpdaterProcess.h"
#include "tests/support/XvfbServer.h"

extern char** environ;

namespace fs = std::filesystem;

using namespace benche2e;

namespace {

// Little-endian records of the ZIP format, as the application note gives them.
struct Bytes {
  std::string b;
  Bytes& u16(std::uint32_t v) {
    b += static_cast<char>(v & 0xFF), b += static_cast<char>((v >> 8) & 0xFF);
    return *this;
  }
  Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Bytes& u64(std::uint64_t v) { return u32(static_cast<std::uint32_t>(v)).u32(static_cast<std::uint32_t>(v >> 32)); }
  Bytes& str(const std::string& s) {
    b += s;
    return *this;
  }
};

// An archive of "data/zeros.bin", size bytes of zeros stored as they are,
// and the launcher, written with a hole where the zeros go (ZIP64 records
// where the size needs them). Made once and kept beside the benchmark.
std::string SparsePackage(std::uint64_t size) {
  const std::string path = std::string(BENCH_DATA_DIR) + "/sparse-" + std::to_string(size >> 20) + "mb.zip";
  if (fs::exists(path)) return path;
  std::vector<unsigned char> zeros(1u << 20, 0);
  uLong crc = crc32(0, nullptr, 0);
  const uLong crcOfMb = crc32(0, zeros.data(), static_cast<uInt>(zeros.size()));
  std::uint64_t left = size;
  for (; left >= zeros.size(); left -= zeros.size()) crc = crc32_combine(crc, crcOfMb, zeros.size());
  crc = crc32(crc, zeros.data(), static_cast<uInt>(left));
  const bool zip64 = size >= 0xFFFFFFFFull;
  const std::string bigName = "data/zeros.bin";
  const std::uint32_t launcherCrc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const unsigned char*>(kLauncherScript), static_cast<uInt>(std::strlen(kLauncherScript))));
  Bytes bigLocal;
  bigLocal.u32(0x04034B50).u16(zip64 ? 45 : 20).u16(0).u16(0).u32(0x5A210000).u32(static_cast<std::uint32_t>(crc));
  if (zip64) bigLocal.u32(0xFFFFFFFF).u32(0xFFFFFFFF).u16(bigName.size()).u16(20).str(bigName).u16(1).u16(16).u64(size).u64(size);
  else bigLocal.u32(static_cast<std::uint32_t>(size)).u32(static_cast<std::uint32_t>(size)).u16(bigName.size()).u16(0).str(bigName);
  const std::uint64_t launcherOffset = bigLocal.b.size() + size;
  Bytes launcherLocal;
  const std::uint32_t scriptSize = static_cast<std::uint32_t>(std::strlen(kLauncherScript));
  launcherLocal.u32(0x04034B50).u16(20).u16(0).u16(0).u32(0x5A210000).u32(launcherCrc).u32(scriptSize).u32(scriptSize)
      .u16(std::strlen(kLauncher)).u16(0).str(kLauncher).str(kLauncherScript);
  const std::uint64_t centralOffset = launcherOffset + launcherLocal.b.size();
  Bytes central;
  central.u32(0x02014B50).u16(0x0300 | (zip64 ? 45 : 20)).u16(zip64 ? 45 : 20).u16(0).u16(0).u32(0x5A210000)
      .u32(static_cast<std::uint32_t>(crc));
  if (zip64) central.u32(0xFFFFFFFF).u32(0xFFFFFFFF).u16(bigName.size()).u16(20);
  else central.u32(static_cast<std::uint32_t>(size)).u32(static_cast<std::uint32_t>(size)).u16(bigName.size()).u16(0);
  central.u16(0).u16(0).u16(0).u32(0100644u << 16).u32(0).str(bigName);
  if (zip64) central.u16(1).u16(16).u64(size).u64(size);
  central.u32(0x02014B50).u16(0x0314).u16(20).u16(0).u16(0).u32(0x5A210000).u32(launcherCrc).u32(scriptSize)
      .u32(scriptSize).u16(std::strlen(kLauncher)).u16(zip64 ? 12 : 0).u16(0).u16(0).u16(0).u32(0100755u << 16)
      .u32(zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(launcherOffset)).str(kLauncher);
  if (zip64) central.u16(1).u16(8).u64(launcherOffset);
  Bytes end;
  const std::uint64_t endOffset = centralOffset + central.b.size();
  if (zip64) {
    end.u32(0x06064B50).u64(44).u16(45).u16(45).u32(0).u32(0).u64(2).u64(2).u64(central.b.size()).u64(centralOffset);
    end.u32(0x07064B50).u32(0).u64(endOffset).u32(1);
  }
  end.u32(0x06054B50).u16(0).u16(0).u16(2).u16(2).u32(static_cast<std::uint32_t>(central.b.size()))
      .u32(zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(centralOffset)).u16(0);
  const int fd = ::open((path + ".part").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  bool ok = fd >= 0 && ::pwrite(fd, bigLocal.b.data(), bigLocal.b.size(), 0) == static_cast<ssize_t>(bigLocal.b.size());
  const std::string tail = launcherLocal.b + central.b + end.b;
  ok = ok && ::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(launcherOffset)) == static_cast<ssize_t>(tail.size());
  if (fd >= 0) ::close(fd);
  if (!ok) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  fs::rename(path + ".part", path);
  return path;
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

// What one run took; the parts add up to the whole.
struct Round {
  double download = 1e9, write = 1e9, extraction = 1e9, total = 1e9;
  long peakKb = 0;
  void KeepBest(const Round& r) {
    download = std::min(download, r.download);
    write = std::min(write, r.write);
    extraction = std::min(extraction, r.extraction);
    total = std::min(total, r.total);
    peakKb = std::max(peakKb, r.peakKb);
  }
};

// Every run starts from a disk with nothing of an earlier one waiting.
void SettleDisk() { ::sync(); }

bool RunUpdater(e2e::UpdateServer& server, const std::string& display, std::uintmax_t contentBytes, Round& out,
                const std::string& program = QUELBO_UPDATER_E2E) {
  e2e::Installation install(program);
  install.WriteVersion("1.0");
  SettleDisk();
  e2e::UpdaterProcess updater(install.Dir(), {display});
  double saved = 0, ended = 0;
  for (const double deadline = Now() + 900; Now() < deadline;) {
    if (!saved && fs::exists(install.Path(kPackage))) saved = Now();
    if (updater.WaitExit(0)) {
      ended = Now();
      break;
    }
    platform::SleepMs(1);
  }
  if (!ended || updater.WaitExit(0) != 0 || !saved) {
    std::fprintf(stderr, "the updater did not complete the update (%s):\n%s\n",
                 !ended ? "it did not end" : !saved ? "the package never appeared" : "it failed",
                 updater.Output().c_str());
    for (const std::string& r : server.Requests()) std::fprintf(stderr, "  request: %s\n", r.c_str());
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
  out.download = sent - start;
  out.write = std::max(0.0, saved - sent);
  out.extraction = ended - std::max(saved, sent);
  out.total = ended - start;
  out.peakKb = updater.PeakKb();
  if (getenv("BENCH_SHOW_OUTPUT")) std::fprintf(stderr, "%s", updater.Output().c_str());
  return true;
}

// curl and bsdtar, then sync -f of the extracted tree.
struct PeerRound {
  double curl = 1e9, bsdtar = 1e9, sync = 1e9, total = 1e9, totalSynced = 1e9;
  long curlKb = 0, bsdtarKb = 0;
};

bool RunPeer(const std::string& url, std::uintmax_t contentBytes, PeerRound& best) {
  testsupport::TempDir dir;
  fs::create_directories(dir / "install");
  SettleDisk();
  Timed curl = Run({"curl", "-s", "-f", "-o", dir / kPackage, url});
  Timed bsdtar = Run({"bsdtar", "-x", "-f", dir / kPackage, "-C", dir / "install"});
  Timed sync = Run({"sync", "-f", dir / "install"});
  if (curl.status != 0 || bsdtar.status != 0 || sync.status != 0 || TreeBytes(dir / "install") != contentBytes) {
    std::fprintf(stderr, "curl, bsdtar or sync failed\n");
    return false;
  }
  best.curl = std::min(best.curl, curl.seconds);
  best.bsdtar = std::min(best.bsdtar, bsdtar.seconds);
  best.sync = std::min(best.sync, sync.seconds);
  best.total = std::min(best.total, curl.seconds + bsdtar.seconds);
  best.totalSynced = std::min(best.totalSynced, curl.seconds + bsdtar.seconds + sync.seconds);
  best.curlKb = std::max(best.curlKb, curl.peakKb);
  best.bsdtarKb = std::max(best.bsdtarKb, bsdtar.peakKb);
  return true;
}

void PrintRun(const char* name, const Round& r, const PeerRound& peer) {
  std::printf("  %-22s %7.3f s = download %.3f + write %.3f + extraction %.3f   /(curl+bsdtar) %.2f   "
              "/(curl+bsdtar+sync) %.2f   peak %.0f MB\n",
              name, r.total, r.download, r.write, r.extraction, r.total / peer.total, r.total / peer.totalSynced,
              r.peakKb / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  const bool sparse = argc > 1 && std::strcmp(argv[1], "--sparse") == 0;
  const int first = sparse ? 2 : 1;
  const std::size_t packageMb = argc > first ? std::strtoul(argv[first], nullptr, 10) : sparse ? 3072 : 200;
  const int rounds = argc > first + 1 ? std::atoi(argv[first + 1]) : sparse ? 1 : 3;
  if (e2e::UpdateServer::PortBusy(E2E_PORT)) {
    std::fprintf(stderr, "127.0.0.1:%d is in use; the test copy of the updater asks that port\n", E2E_PORT);
    return 1;
  }
  const std::string package = sparse ? SparsePackage(static_cast<std::uint64_t>(packageMb) << 20) : Package(packageMb);
  std::uintmax_t contentBytes = 0;
  if (sparse) {
    contentBytes = (static_cast<std::uintmax_t>(packageMb) << 20) + std::strlen(kLauncherScript);
  } else {
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

  Round ours, viaFile, withKey;
  PeerRound peer;
  for (int i = 1; i <= rounds; ++i) {
    Round r;
    // Whatever the default limit, these rows keep the package in memory.
    if (!sparse) ::setenv("QUELBO_TEST_PACKAGE_MEMORY_LIMIT", "1099511627776", 1);
    server.SetReply(signedReply);
    if (!RunUpdater(server, xvfb.Name(), contentBytes, r, QUELBO_UPDATER_E2E_SIGNED)) return 1;
    withKey.KeepBest(r);
    server.SetReply(plainReply);
    if (!sparse) {
      if (!RunUpdater(server, xvfb.Name(), contentBytes, r)) return 1;
      ours.KeepBest(r);
      // The road of a package too large for memory, for the same package.
      ::setenv("QUELBO_TEST_PACKAGE_MEMORY_LIMIT", "0", 1);
    }
    const bool ranViaFile = RunUpdater(server, xvfb.Name(), contentBytes, r);
    ::unsetenv("QUELBO_TEST_PACKAGE_MEMORY_LIMIT");
    if (!ranViaFile) return 1;
    viaFile.KeepBest(r);
    if (!RunPeer(server.Url(std::string("/packages/") + kPackage), contentBytes, peer)) return 1;
    std::printf("round %d done\n", i);
    std::fflush(stdout);
  }
  std::printf("best of %d; ratios = the updater's whole update / the peers' (below 1: the updater is faster)\n",
              rounds);
  std::printf("  %-22s curl %.3f s + bsdtar %.3f s = %.3f s; + sync -f %.3f s = %.3f s; peak curl %.0f MB, "
              "bsdtar %.0f MB\n",
              "peers", peer.curl, peer.bsdtar, peer.total, peer.sync, peer.totalSynced, peer.curlKb / 1024.0,
              peer.bsdtarKb / 1024.0);
  if (!sparse) PrintRun("updater (in memory)", ours, peer);
  PrintRun(sparse ? "updater" : "updater (via its file)", viaFile, peer);
  PrintRun(sparse ? "updater, signed" : "updater, signed", withKey, peer);
  const Round& plain = sparse ? viaFile : ours;
  std::printf("  signed / unsigned      %.3f\n", withKey.total / plain.total);
  return 0;
}
