// Download throughput and memory of the HTTP client beside curl, in one run:
// a large file from nginx on 127.0.0.1 into memory, with work events and a
// message pump that dispatches to a headless window repainting on each event.
//
//   http_download_bench [size in MB, default 512] [rounds, default 3]
// With NOPAINT=1 in the environment the work events do not repaint.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/controls/Forms.h"
#include "framework/windows/Windows.h"
#include "http/HttpClient.h"
#include "http/MessagePump.h"
#include "platform/Display.h"
#include "platform/headless/HeadlessDisplay.h"
#include "tests/http/DiscardingBody.h"
#include "tests/support/TestServers.h"

namespace {

double Seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

struct Result {
  double seconds = 0;
  long peakKb = 0;
};

// Filling fresh memory of the body's size in read-block pieces: what any
// download into memory pays on top of the transfer.
double FreshMemoryFill(std::size_t size) {
  static char block[32768];
  double t0 = Seconds();
  char* p = static_cast<char*>(std::malloc(size));
  for (std::size_t i = 0; i < size; i += sizeof block) std::memcpy(p + i, block, std::min(sizeof block, size - i));
  double t = Seconds() - t0;
  volatile char keep = p[size / 2];
  (void)keep;
  std::free(p);
  return t;
}

// The client's download, in a child process so that its peak resident memory
// is its own. The child reports the elapsed time through a pipe.
Result RunClient(const std::string& url, std::size_t expected, int* paintsOut, bool intoMemory = true) {
  int p[2];
  if (pipe(p) != 0) std::abort();
  pid_t pid = fork();
  if (pid == 0) {
    close(p[0]);
    platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>());
    static int paints = 0;
    WNDCLASS wc;
    wc.lpszClassName = "BenchProgressWindow";
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (m == WM_PAINT) {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        ++paints;
        EndPaint(h, &ps);
        return 0;
      }
      return DefWindowProc(h, m, w, l);
    };
    RegisterClass(wc);
    HWND wnd = CreateWindowEx(0, "BenchProgressWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 444, 141, nullptr);
    TMessagePump pump(nullptr);
    pump.SetOnlyWhenIdle(false);
    // Messages are dispatched by the application's loop at every dispatch point.
    new TApplication(nullptr);
    THttpClient client(nullptr);
    std::int64_t last = 0;
    client.OnWork = [&](TObject*, TWorkMode, std::int32_t n) {
      last = n;
      if (getenv("NOPAINT")) return;
      InvalidateRect(wnd, nullptr, FALSE);
      UpdateWindow(wnd);
    };
    TMemoryStream body;
    httptest::DiscardingBody discard;
    double t0 = Seconds();
    if (intoMemory) client.Get(url, body);
    else client.Get(url, discard);
    double t = Seconds() - t0;
    std::int64_t got = intoMemory ? body.Size() : discard.size;
    if (static_cast<std::size_t>(got) != expected || last != static_cast<std::int64_t>(expected)) _exit(2);
    double out[2] = {t, static_cast<double>(paints)};
    if (write(p[1], out, sizeof out) != sizeof out) _exit(3);
    _exit(0);
  }
  close(p[1]);
  double in[2] = {0, 0};
  bool ok = read(p[0], in, sizeof in) == sizeof in;
  close(p[0]);
  int status = 0;
  rusage ru{};
  wait4(pid, &status, 0, &ru);
  if (!ok || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "client download failed (status %d)\n", status);
    std::exit(1);
  }
  *paintsOut = static_cast<int>(in[1]);
  return {in[0], ru.ru_maxrss};
}

Result RunCurl(const std::string& url) {
  double t0 = Seconds();
  pid_t pid = fork();
  if (pid == 0) {
    execlp("curl", "curl", "-s", "-o", "/dev/null", url.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage ru{};
  wait4(pid, &status, 0, &ru);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "curl failed\n");
    std::exit(1);
  }
  return {Seconds() - t0, ru.ru_maxrss};
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 512;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  const std::size_t size = mb << 20;

  testsupport::TempDir root;
  testsupport::WritePatternFile(root / "big.bin", size);
  testsupport::NginxServer nginx(root.Path());
  const std::string url = nginx.Url("/big.bin");
  RunCurl(url);  // warm the page cache

  std::vector<double> ours, curls, nulls, fills;
  long peakKb = 0, curlPeakKb = 0;
  int paints = 0;
  for (int i = 0; i < rounds; ++i) {
    Result c = RunCurl(url);
    Result o = RunClient(url, size, &paints);
    int ignored = 0;
    Result n = RunClient(url, size, &ignored, false);
    curls.push_back(c.seconds);
    ours.push_back(o.seconds);
    nulls.push_back(n.seconds);
    fills.push_back(FreshMemoryFill(size));
    peakKb = std::max(peakKb, o.peakKb);
    curlPeakKb = std::max(curlPeakKb, c.peakKb);
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  const double oursMBs = static_cast<double>(mb) / median(ours);
  const double curlMBs = static_cast<double>(mb) / median(curls);
  const double nullMBs = static_cast<double>(mb) / median(nulls);
  const double fillMBs = static_cast<double>(mb) / median(fills);
  const double peakMB = static_cast<double>(peakKb) / 1024.0;
  std::printf("body                 %zu MB, %d rounds (medians)\n", mb, rounds);
  std::printf("THttpClient          %8.1f MB/s  (%d repaints in the last round)\n", oursMBs, paints);
  std::printf("curl -s -o /dev/null %8.1f MB/s\n", curlMBs);
  std::printf("ratio client/curl    %8.2f  (goal >= 0.80)\n", oursMBs / curlMBs);
  std::printf("breakdown: client into a discarding stream %.1f MB/s (ratio %.2f); filling fresh memory alone "
              "%.1f MB/s\n",
              nullMBs, nullMBs / curlMBs, fillMBs);
  std::printf("client peak RSS      %8.1f MB = body + %.1f MB  (goal <= body + 32 MB; curl %.1f MB)\n", peakMB,
              peakMB - static_cast<double>(mb), static_cast<double>(curlPeakKb) / 1024.0);
  return 0;
}
