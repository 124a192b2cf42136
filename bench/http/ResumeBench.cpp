// Downloads that survive cuts and stalls, side by side in one run: a package
// from nginx through a proxy that passes it whole, that cuts the connection
// every 50 MB, and that stalls once for longer than the watchdog. For each:
// the bytes nginx sent divided by the package size (goal <= 1.02), and the
// time against the whole download (goal <= 1.1 once the waits are taken off:
// the backoff waited and, for the stall, the watchdog's own time).
//
//   http_resume_bench [size in MB, default 200] [rounds, default 3]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "http/ResumableFetch.h"
#include "tests/support/TestServers.h"

namespace {

constexpr int kWatchdogMs = 2000;
constexpr int kStallMs = 3000;

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The body bytes nginx has logged as sent, in all.
long long SentByNginx(const testsupport::NginxServer& nginx) {
  std::istringstream log(nginx.AccessLog());
  std::string msec, time, uri;
  int status = 0;
  long long bytes = 0, total = 0;
  while (log >> msec >> time >> status >> uri >> bytes) total += bytes;
  return total;
}

struct Run {
  double seconds = 0;
  double waitedSeconds = 0;  // backoff, and the watchdog's time for a stall
  long long sent = 0;        // by nginx
  long long received = 0;    // by the client, the bytes sent again included
  int attempts = 0;
};

Run Download(const testsupport::NginxServer& nginx, const std::vector<std::string>& proxyOptions, std::size_t size,
             bool stalls) {
  testsupport::CuttingProxy proxy(nginx.Port(), proxyOptions);
  const long long sentBefore = SentByNginx(nginx);
  THttpClient client(nullptr);
  client.SetStallTimeout(kWatchdogMs);
  TMemoryStream memory;
  TMemoryStore store(memory);
  TResumableFetch fetch(client, store);
  const double t0 = Seconds();
  fetch.Fetch(proxy.Url("/package.bin"));
  Run r;
  r.seconds = Seconds() - t0;
  if (static_cast<std::size_t>(memory.Size()) != size) {
    std::fprintf(stderr, "the download has %lld bytes\n", static_cast<long long>(memory.Size()));
    std::exit(1);
  }
  r.waitedSeconds = fetch.Waited() / 1000.0 + (stalls ? kWatchdogMs / 1000.0 : 0);
  r.sent = SentByNginx(nginx) - sentBefore;
  r.received = fetch.BytesReceived();
  r.attempts = fetch.Attempts();
  return r;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 200;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  const std::size_t size = mb << 20;
  const std::string cutEvery = std::to_string(50ull << 20);
  const std::string stallAfter = std::to_string(size / 2);

  testsupport::TempDir root;
  testsupport::WritePatternFile(root / "package.bin", size);
  testsupport::NginxServer nginx(root.Path());

  struct Row {
    const char* name;
    std::vector<std::string> options;
    bool stalls;
    std::vector<double> seconds, net;
    Run last;
  } rows[] = {
      {"whole", {}, false, {}, {}, {}},
      {"cut every 50 MB", {"--cut-every", cutEvery}, false, {}, {}, {}},
      {"one stall", {"--stall-after", stallAfter, "--stall-ms", std::to_string(kStallMs)}, true, {}, {}, {}},
  };
  Download(nginx, {}, size, false);  // warm the page cache
  for (int i = 0; i < rounds; ++i) {
    for (Row& row : rows) {
      row.last = Download(nginx, row.options, size, row.stalls);
      row.seconds.push_back(row.last.seconds);
      row.net.push_back(row.last.seconds - row.last.waitedSeconds);
    }
  }
  const double whole = Median(rows[0].seconds);
  std::printf("package %zu MB through a proxy, watchdog %d ms, %d rounds (medians)\n", mb, kWatchdogMs, rounds);
  std::printf("%-16s %8s %8s %9s %11s %10s %12s %7s\n", "connection", "attempts", "sent", "received", "lost/cut",
              "time", "time-waits", "ratio");
  for (const Row& row : rows) {
    const double sent = static_cast<double>(row.last.sent) / static_cast<double>(size);
    const double received = static_cast<double>(row.last.received) / static_cast<double>(size);
    const int cuts = std::max(row.last.attempts - 1, 1);
    const double lostMB = static_cast<double>(row.last.sent - row.last.received) / cuts / (1 << 20);
    std::printf("%-16s %8d %8.4f %9.4f %8.2f MB %8.2f s %10.2f s %7.3f\n", row.name, row.last.attempts, sent, received,
                lostMB, Median(row.seconds), Median(row.net), Median(row.net) / whole);
  }
  std::printf(
      "sent: body bytes nginx sent / package size (goal <= 1.02); received: body bytes that reached the "
      "client / package size;\nlost/cut: bytes nginx sent that a cut destroyed on the way; ratio: time "
      "less the waits / the whole download's (goal <= 1.1)\n");
  return 0;
}
