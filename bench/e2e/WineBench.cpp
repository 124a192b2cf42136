// The Windows build under Wine beside the Linux build, in one run on one
// private X server: the main window's full repaint and one progress report
// with its repaint (bench_window of each build, on the system's display), and
// the whole update of the bench package by the end-to-end copy of each
// updater against nginx, timed from the package request (nginx's log) until
// the process ends, with the started launcher and the deleted package. Best of
// the rounds, as ratios Wine / Linux. Wine's file and display layers stand
// between the program and the system: the ratios bound what Windows itself
// costs from above, they are not figures for players.
//
//   e2e_wine_bench [package size in MB, default 100] [rounds, default 3]
//
// Needs the Windows build named by QUELBO_WINDOWS_BUILD at configure time
// (with bench_window.exe, quelbo-updater-e2e.exe and quelbo-demo-launcher.exe),
// Wine, Xvfb, nginx and the end-to-end tests' port.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "BenchPackage.h"
#include "platform/Clock.h"
#include "tests/e2e/Installation.h"
#include "tests/e2e/Packages.h"
#include "tests/e2e/UpdateServer.h"
#include "tests/e2e/UpdaterProcess.h"
#include "tests/support/XvfbServer.h"

using namespace benche2e;

namespace {

const std::string kWindows = QUELBO_WINDOWS_BUILD;

std::vector<std::string> WineRunner() {
  return {testsupport::SourceDir() + "/scripts/windows/wine-run.sh", kWindows + "/wine"};
}

// The "name microseconds" lines of one bench_window run.
std::map<std::string, double> WindowFigures(const std::string& display, bool underWine) {
  e2e::LaunchOptions o;
  o.display = display;
  o.program = underWine ? "bench_window.exe" : "bench_window";
  if (underWine) o.runner = WineRunner();
  e2e::UpdaterProcess run(underWine ? kWindows + "/bench/app" : fs::path(BENCH_WINDOW).parent_path().string(), o);
  std::map<std::string, double> out;
  if (run.WaitExit(300000) != 0) {
    std::fprintf(stderr, "bench_window failed:\n%s\n", run.Output().c_str());
    std::exit(1);
  }
  std::istringstream lines(run.Output());
  std::string name;
  double us = 0;
  while (lines >> name >> us) out[name] = us;
  return out;
}

// Under Wine the package's program is a Windows one: the bench package with
// the stand-in launcher added, made once beside it.
const char* kWinePackage = "package-wine.zip";
const char* kWineLauncher = "launcher.exe";

std::string WinePackage(const std::string& package) {
  const std::string path = package.substr(0, package.size() - 4) + "-wine.zip";
  if (fs::exists(path)) return path;
  testsupport::TempDir dir;
  fs::copy_file(kWindows + "/tests/e2e/quelbo-demo-launcher.exe", dir / kWineLauncher);
  fs::copy_file(package, path + ".part");
  if (e2e::Shell("cd '" + dir.Path() + "' && zip -q '" + path + ".part' " + kWineLauncher) != 0) std::exit(1);
  fs::rename(path + ".part", path);
  return path;
}

// One update from 1.0 to 2.0; seconds from the package request to the end.
double UpdateSeconds(e2e::UpdateServer& server, const std::string& display, bool underWine) {
  const std::string program = underWine ? kWineLauncher : kLauncher;
  const std::string package = underWine ? kWinePackage : kPackage;
  server.SetReply("2.0|" + server.Url("/packages/") + "|" + package + "|" + program);
  e2e::Installation install(underWine ? kWindows + "/tests/e2e/quelbo-updater-e2e.exe" : QUELBO_UPDATER_E2E,
                            underWine ? "quelbo-updater.exe" : "quelbo-updater");
  install.WriteVersion("1.0");
  ::sync();
  e2e::LaunchOptions o;
  o.display = display;
  o.program = underWine ? "quelbo-updater.exe" : "quelbo-updater";
  if (underWine) o.runner = WineRunner();
  e2e::UpdaterProcess updater(install.Dir(), o);
  const std::optional<int> code = updater.WaitExit(900000);
  const double ended = Now();
  if (code != 0 || install.RecordedVersion() != "2.0" || install.Has(package)) {
    std::fprintf(stderr, "the %s updater did not complete the update:\n%s\n", underWine ? "Windows" : "Linux",
                 updater.Output().c_str());
    std::exit(1);
  }
  double start = 0;
  for (const auto& r : server.Log())
    if (r.path == "/packages/" + package && r.status == 200) start = r.endSeconds - r.seconds;
  return ended - start;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t packageMb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  if (kWindows.empty() || !fs::exists(kWindows + "/bench/app/bench_window.exe")) {
    std::fprintf(stderr, "no Windows build with bench_window.exe (configure with -DQUELBO_WINDOWS_BUILD=)\n");
    return 1;
  }
  if (e2e::UpdateServer::PortBusy(E2E_PORT)) {
    std::fprintf(stderr, "127.0.0.1:%d is in use; the test copies of the updater ask that port\n", E2E_PORT);
    return 1;
  }
  const std::string package = Package(packageMb);
  testsupport::XvfbServer xvfb(800, 600, 24);
  e2e::UpdateServer server(E2E_PORT);
  if (!xvfb.Running() || !server.Running()) {
    std::fprintf(stderr, "%s%s\n", xvfb.Failure().c_str(), server.Failure().c_str());
    return 1;
  }
  server.PublishFile(kPackage, package);
  server.PublishFile(kWinePackage, WinePackage(package));
  std::printf("package: %.1f MB; best of %d rounds\n", Mb(fs::file_size(package)), rounds);
  std::fflush(stdout);

  // Each round runs both builds in turn, so that a drift of the machine's
  // speed falls on both. The first Wine run also starts Wine's server.
  std::map<std::string, double> linux, wine;
  double linuxUpdate = 1e9, wineUpdate = 1e9;
  auto keepBest = [](std::map<std::string, double>& best, const std::map<std::string, double>& run) {
    for (const auto& [name, us] : run) best[name] = best.count(name) ? std::min(best[name], us) : us;
  };
  for (int i = 0; i < rounds; ++i) {
    keepBest(wine, WindowFigures(xvfb.Name(), true));
    keepBest(linux, WindowFigures(xvfb.Name(), false));
    wineUpdate = std::min(wineUpdate, UpdateSeconds(server, xvfb.Name(), true));
    linuxUpdate = std::min(linuxUpdate, UpdateSeconds(server, xvfb.Name(), false));
  }
  std::printf("%-38s %12s %12s %8s\n", "", "Linux", "Wine", "ratio");
  for (const char* name : {"repaint", "progress-event"})
    std::printf(
        "%-38s %9.1f us %9.1f us %8.2f\n",
        std::string(name) == "repaint" ? "full repaint of the main window" : "one progress event and its repaint",
        linux[name], wine[name], wine[name] / linux[name]);
  std::printf("%-38s %10.3f s %10.3f s %8.2f\n", "whole update of the bench package", linuxUpdate, wineUpdate,
              wineUpdate / linuxUpdate);
  return 0;
}
