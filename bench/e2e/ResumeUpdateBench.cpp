// One complete update of a large package by the real program over a line
// that breaks, side by side in one run: through a proxy that passes it whole,
// one that cuts the connection every 50 MB, and one that falls silent once
// for longer than the watchdog. For each: the package bytes nginx sent
// divided by the package's size (goal at most 1.02), those the updater
// received (the rest were in flight when the line was cut), and the update's time
// against the whole one (goal at most 1.1 once the waits are taken off: the
// gaps between the requests, which are the backoff, and the watchdog's own
// time for the stall). The updater runs from its installation directory
// under Xvfb against nginx on 127.0.0.1, with the watchdog set to 2 s.
//
//   e2e_resume_update_bench [package size in MB, default 200] [rounds, default 3]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchPackage.h"
#include "platform/Clock.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/UpdateServer.h"
#include "tests/e2e/UpdaterProcess.h"
#include "tests/support/XvfbServer.h"

using namespace benche2e;

namespace {

constexpr int kWatchdogMs = 2000;
constexpr int kStallMs = 3000;

struct Run {
  double seconds = 0;      // from the first package request to the process's end
  double gaps = 0;         // between one package request's end and the next one's start
  long long sent = 0;      // package bytes nginx sent, in all
  long long received = 0;  // answer bytes that reached the updater, heads included
  int requests = 0;
};

bool RunUpdate(e2e::UpdateServer& server, const std::string& display, std::uintmax_t contentBytes, Run& out) {
  const std::size_t seen = server.Log().size();
  e2e::Installation install(QUELBO_UPDATER_E2E);
  install.WriteVersion("1.0");
  ::sync();
  e2e::UpdaterProcess updater(install.Dir(), {display});
  const std::optional<int> code = updater.WaitExit(900000);
  const double ended = Now();
  if (code != 0) {
    std::fprintf(stderr, "the updater did not complete the update:\n%s\n", updater.Output().c_str());
    return false;
  }
  const std::vector<e2e::UpdateServer::LoggedRequest> log = server.Log();
  double first = 0, lastEnd = 0;
  for (std::size_t i = seen; i < log.size(); ++i) {
    const auto& r = log[i];
    if (r.path != std::string("/packages/") + kPackage) continue;
    const double start = r.endSeconds - r.seconds;
    if (!first) first = start;
    else out.gaps += std::max(0.0, start - lastEnd);
    lastEnd = r.endSeconds;
    out.sent += r.bytes;
    ++out.requests;
  }
  const std::uintmax_t installed = TreeBytes(install.Dir()) - fs::file_size(install.Path("quelbo-updater")) -
                                   fs::file_size(install.Path("xconfig.ini"));
  if (!first || installed != contentBytes) {
    std::fprintf(stderr, "unexpected result: %ju bytes installed of %ju\n", installed, contentBytes);
    return false;
  }
  out.seconds = ended - first;
  return true;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
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
  const std::uintmax_t size = fs::file_size(package);
  std::uintmax_t contentBytes = 0;
  {
    testsupport::TempDir probe;
    if (!e2e::UnzipInto(package, probe / "x")) return 1;
    contentBytes = TreeBytes(probe / "x");
  }
  testsupport::XvfbServer xvfb(800, 600, 24);
  e2e::UpdateServer server(E2E_PORT);
  if (!xvfb.Running() || !server.Running()) {
    std::fprintf(stderr, "%s%s\n", xvfb.Failure().c_str(), server.Failure().c_str());
    return 1;
  }
  server.PublishFile(kPackage, package);
  ::setenv("QUELBO_TEST_STALL_TIMEOUT_MS", std::to_string(kWatchdogMs).c_str(), 1);

  struct Row {
    const char* name;
    std::vector<std::string> options;
    double watchdog;  // seconds of the watchdog's own wait
    std::vector<double> seconds, net;
    Run last;
  } rows[] = {
      {"whole", {}, 0, {}, {}, {}},
      {"cut every 50 MB", {"--cut-every", std::to_string(50ull << 20)}, 0, {}, {}, {}},
      {"one stall",
       {"--stall-after", std::to_string(size / 2), "--stall-ms", std::to_string(kStallMs)},
       kWatchdogMs / 1000.0,
       {},
       {},
       {}},
  };
  std::printf("package %.1f MB (%.1f MB extracted), watchdog %d ms, %d rounds (medians)\n", Mb(size), Mb(contentBytes),
              kWatchdogMs, rounds);
  std::fflush(stdout);
  for (int i = 0; i < rounds; ++i) {
    for (Row& row : rows) {
      testsupport::CuttingProxy line(server.Port(), row.options);
      server.SetReply("2.0|" + line.Url("/packages/") + "|" + kPackage + "|" + kLauncher);
      Run r;
      if (!RunUpdate(server, xvfb.Name(), contentBytes, r)) return 1;
      // The proxy counts a connection once it has ended.
      for (int k = 0; k < 100 && line.Stat("connections") < r.requests + 1; ++k) platform::SleepMs(50);
      r.received = line.Stat("forwarded");
      row.last = r;
      row.seconds.push_back(r.seconds);
      row.net.push_back(r.seconds - r.gaps - row.watchdog);
    }
  }
  const double whole = Median(rows[0].seconds);
  std::printf("%-16s %8s %8s %9s %9s %9s %12s %7s\n", "connection", "requests", "sent", "received", "update", "waits",
              "update-waits", "ratio");
  for (const Row& row : rows)
    std::printf("%-16s %8d %8.4f %9.4f %7.3f s %7.3f s %10.3f s %7.3f\n", row.name, row.last.requests,
                static_cast<double>(row.last.sent) / static_cast<double>(size),
                static_cast<double>(row.last.received) / static_cast<double>(size), Median(row.seconds),
                Median(row.seconds) - Median(row.net), Median(row.net), Median(row.net) / whole);
  std::printf(
      "sent: package bytes nginx sent / package size (goal <= 1.02); received: bytes that reached the updater / "
      "package size;\nupdate: first package request to the program's end (download, extraction, launch); waits: the "
      "backoff between requests and the watchdog's "
      "time; ratio: update less the waits / the whole one's (goal <= 1.1)\n");
  return 0;
}
