// What the live progress display costs: one report of the package download
// (size label, status label, bar value and the repaint they cause) in
// microseconds, and the share of a large download from nginx, reported at
// the fetch's pace as the update does it, that goes to the display, beside
// curl fetching the same file.
//
//   bench_progress_display [size in MB, default 512] [rounds, default 3]
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "MainWindowBench.h"
#include "http/ResumableFetch.h"
#include "tests/support/TestServers.h"

using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double CurlSeconds(const std::string& url) {
  const auto t0 = Clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    execlp("curl", "curl", "-s", "-o", "/dev/null", url.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::exit(1);
  return Seconds(Clock::now() - t0);
}

// Time spent in the display: inside the work handlers, and in the paints of
// the controls they change.
struct DisplayClock {
  Clock::duration spent{};
  long events = 0, paints = 0;
  int depth = 0;  // a paint inside a handler counts once

  void Time(const std::function<void()>& f) {
    if (depth++ > 0) {
      f();
      --depth;
      return;
    }
    const auto t0 = Clock::now();
    f();
    spent += Clock::now() - t0;
    --depth;
  }

  void Watch(TForm1* form) {
    for (TControl* c :
         std::initializer_list<TControl*>{form->MlSkinLabel1, form->MlSkinLabel3, form->MlSkinProgressBar1}) {
      TWndMethod inner = c->WindowProc;
      c->WindowProc = [this, inner](TMessage& m) {
        if (m.Msg != WM_PAINT) return inner(m);
        Time([&] { inner(m); });
        ++paints;
      };
    }
  }
  TProgressEvent Reports(TForm1* form) {
    return [this, form](TObject*, std::int64_t done, std::int64_t total) {
      Time([&] { form->ShowDownload(done, total); });
      ++events;
    };
  }
};

}  // namespace

int main(int argc, char** argv) {
  const std::size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 512;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  MainWindowOnHeadlessDisplay window;
  TApplication* app = window.app;
  TForm1* form = window.form;
  form->MessagePump1->SetOnlyWhenIdle(false);

  // One report and the repaint it causes, as a block of a 512 MB download
  // arrives: new size text, new percentage, the bar one step on.
  std::int64_t count = 0;
  auto event = [&](bool repaint) {
    count = (count + 32768) % (512 << 20);
    form->ShowDownload(count, 512 << 20);
    if (repaint) {
      form->MlSkinLabel1->Update();
      form->MlSkinLabel3->Update();
      form->MlSkinProgressBar1->Update();
    }
  };
  std::vector<double> withPaint, setOnly;
  for (int r = 0; r < 7; ++r) {
    for (auto [repaint, out] : {std::pair{true, &withPaint}, std::pair{false, &setOnly}}) {
      const auto t0 = Clock::now();
      for (int i = 0; i < 300; ++i) event(repaint);
      out->push_back(Seconds(Clock::now() - t0) * 1e6 / 300);
    }
  }
  app->ProcessMessages();
  std::printf("one report (median of 7 rounds of 300)\n");
  std::printf("  texts and bar value, then the repaint  %8.1f us\n", Median(withPaint));
  std::printf("  texts and bar value alone              %8.1f us\n", Median(setOnly));

  testsupport::TempDir root;
  testsupport::WritePatternFile(root / "package.bin", mb << 20);
  testsupport::NginxServer nginx(root.Path());
  const std::string url = nginx.Url("/package.bin");
  CurlSeconds(url);  // warm the page cache
  DisplayClock display;
  auto download = [&](bool shown) {
    TMemoryStream body;
    TMemoryStore store(body);
    TResumableFetch fetch(*form->HttpClient2, store);
    if (shown) fetch.OnProgress = display.Reports(form);
    const auto t0 = Clock::now();
    fetch.Fetch(url);
    if (body.Size() != static_cast<std::int64_t>(mb << 20)) std::exit(1);
    return Seconds(Clock::now() - t0);
  };
  // The same download with nobody listening to its reports.
  std::vector<double> bare;
  for (int r = 0; r < rounds; ++r) bare.push_back(download(false));
  display.Watch(form);
  std::vector<double> shares, totals, curls;
  for (int r = 0; r < rounds; ++r) {
    curls.push_back(CurlSeconds(url));
    display.spent = {};
    display.events = display.paints = 0;
    const double total = download(true);
    totals.push_back(total);
    shares.push_back(Seconds(display.spent) / total * 100);
  }
  std::printf("download of %zu MB from nginx with the display (median of %d rounds)\n", mb, rounds);
  std::printf("  display share          %6.2f %%  (goal under 2 %%; %ld reports, %ld control paints)\n", Median(shares),
              display.events, display.paints);
  std::printf("  download               %8.1f MB/s\n", static_cast<double>(mb) / Median(totals));
  std::printf("  without the display    %8.1f MB/s  (the display adds %.2f %%)\n",
              static_cast<double>(mb) / Median(bare), (Median(totals) / Median(bare) - 1) * 100);
  std::printf("  curl -s -o /dev/null   %8.1f MB/s  (ratio %.2f)\n", static_cast<double>(mb) / Median(curls),
              Median(curls) / Median(totals));
}
