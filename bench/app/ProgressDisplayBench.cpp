// What the live progress display costs: one work event of the package
// download (size label, status label, bar value and the repaint they cause)
// in microseconds, and the share of a large download from nginx that goes
// to the display, beside curl fetching the same file.
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
    THttpClient* h = form->HttpClient2;
    h->OnWork = [this, form](TObject* s, TWorkMode m, std::int32_t n) {
      Time([&] { form->HttpClient2Work(s, m, n); });
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

  // One work event and the repaint it causes, as a block of a 512 MB
  // download arrives: new size text, new percentage, the bar one step on.
  form->HttpClient2WorkBegin(form->HttpClient2, wmRead, 512 << 20);
  std::int32_t count = 0;
  auto event = [&](bool repaint) {
    count = (count + 32768) % (512 << 20);
    form->HttpClient2Work(form->HttpClient2, wmRead, count);
    if (repaint) {
      form->MlSkinLabel1->Update();
      form->MlSkinLabel3->Update();
      form->MlSkinProgressBar1->Update();
    }
  };
  // Every event shown (no pace), then events inside the display's pace.
  std::vector<double> withPaint, setOnly, heldBack;
  const std::uint64_t pace = form->WorkDisplayInterval;
  for (int r = 0; r < 7; ++r) {
    form->WorkDisplayInterval = 0;
    for (auto [repaint, out] : {std::pair{true, &withPaint}, std::pair{false, &setOnly}}) {
      const auto t0 = Clock::now();
      for (int i = 0; i < 300; ++i) event(repaint);
      out->push_back(Seconds(Clock::now() - t0) * 1e6 / 300);
    }
    form->WorkDisplayInterval = 1000000;
    const auto t0 = Clock::now();
    for (int i = 0; i < 300; ++i) event(false);
    heldBack.push_back(Seconds(Clock::now() - t0) * 1e6 / 300);
  }
  form->WorkDisplayInterval = pace;
  app->ProcessMessages();
  std::printf("one work event (median of 7 rounds of 300)\n");
  std::printf("  shown: texts and bar value, then the repaint  %8.1f us\n", Median(withPaint));
  std::printf("  shown: texts and bar value alone              %8.1f us\n", Median(setOnly));
  std::printf("  held back (inside the %llu ms pace)            %8.2f us\n", static_cast<unsigned long long>(pace),
              Median(heldBack));

  testsupport::TempDir root;
  testsupport::WritePatternFile(root / "package.bin", mb << 20);
  testsupport::NginxServer nginx(root.Path());
  const std::string url = nginx.Url("/package.bin");
  CurlSeconds(url);  // warm the page cache
  auto download = [&] {
    TMemoryStream body;
    const auto t0 = Clock::now();
    form->HttpClient2->Get(url, body);
    if (body.Size() != static_cast<std::int64_t>(mb << 20)) std::exit(1);
    return Seconds(Clock::now() - t0);
  };
  // The same download with nobody listening to the work events.
  std::vector<double> bare;
  THttpClient* client = form->HttpClient2;
  auto begin = client->OnWorkBegin;
  auto work = client->OnWork;
  auto end = client->OnWorkEnd;
  client->OnWorkBegin = nullptr;
  client->OnWork = nullptr;
  client->OnWorkEnd = nullptr;
  for (int r = 0; r < rounds; ++r) bare.push_back(download());
  client->OnWorkBegin = begin;
  client->OnWork = work;
  client->OnWorkEnd = end;
  DisplayClock display;
  display.Watch(form);
  std::vector<double> shares, totals, curls;
  for (int r = 0; r < rounds; ++r) {
    curls.push_back(CurlSeconds(url));
    display.spent = {};
    display.events = display.paints = 0;
    const double total = download();
    totals.push_back(total);
    shares.push_back(Seconds(display.spent) / total * 100);
  }
  std::printf("download of %zu MB from nginx with the display (median of %d rounds)\n", mb, rounds);
  std::printf("  display share          %6.2f %%  (goal under 2 %%; %ld events, %ld control paints)\n", Median(shares),
              display.events, display.paints);
  std::printf("  download               %8.1f MB/s\n", static_cast<double>(mb) / Median(totals));
  std::printf("  without the display    %8.1f MB/s  (the display adds %.2f %%)\n",
              static_cast<double>(mb) / Median(bare), (Median(totals) / Median(bare) - 1) * 100);
  std::printf("  curl -s -o /dev/null   %8.1f MB/s  (ratio %.2f)\n", static_cast<double>(mb) / Median(curls),
              Median(curls) / Median(totals));
}
