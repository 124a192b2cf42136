// The main window on the system's own display (the X server of $DISPLAY on
// Linux, the desktop on Windows, under Wine its X server): a full repaint,
// from invalidation until the pixels are handed to the system and its
// messages are done, and one progress report of a download with the repaint
// it causes. Prints one "name microseconds" line each, medians of 7 rounds,
// for bench/e2e's comparison of the two builds on one X server.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "platform/CodePage.h"
#include "platform/Display.h"
#include "skin/MlSkinResManager.h"

namespace {

using Clock = std::chrono::steady_clock;

double MedianMicros(int iterations, const std::function<void()>& once) {
  for (int i = 0; i < iterations / 10 + 1; ++i) once();
  std::vector<double> rounds;
  for (int r = 0; r < 7; ++r) {
    const auto start = Clock::now();
    for (int i = 0; i < iterations; ++i) once();
    rounds.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() / iterations);
  }
  std::sort(rounds.begin(), rounds.end());
  return rounds[3];
}

}  // namespace

int main() {
  using namespace platform::literals;
  std::string why;
  std::unique_ptr<platform::DisplayBackend> display = platform::OpenSystemDisplay(&why);
  if (!display) {
    std::fprintf(stderr, "bench_window: no usable display: %s\n", why.c_str());
    return 1;
  }
  platform::SetDisplay(std::move(display));
  InitializeSkinResources();
  auto* app = new TApplication(nullptr);
  app->SetTitle("Quelbo自动更新"_cp936);
  TForm1* form = app->CreateForm<TForm1>();
  form->Timer1->SetEnabled(false);
  form->SetVisible(true);
  for (int i = 0; i < 20; ++i) app->ProcessMessages();
  HWND h = form->Handle();

  // The system's own messages (its paint of the window from the copy it was
  // handed, on Windows) belong to the cost: each step ends with them done.
  auto settle = [&] {
    app->ProcessMessages();
    platform::Display()->Flush();
  };
  const double repaint = MedianMicros(100, [&] {
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    settle();
  });
  // One report as a 32 KB block of a 512 MB download arrives: new size text,
  // new percentage, the bar one step on, and their repaint.
  std::int64_t count = 0;
  const double event = MedianMicros(300, [&] {
    count = (count + 32768) % (512 << 20);
    form->ShowDownload(count, 512 << 20);
    form->MlSkinLabel1->Update();
    form->MlSkinLabel3->Update();
    form->MlSkinProgressBar1->Update();
    settle();
  });
  std::printf("repaint %.1f\nprogress-event %.1f\n", repaint, event);
  delete app;
  FinalizeSkinResources();
  platform::SetDisplay(nullptr);
  return 0;
}
