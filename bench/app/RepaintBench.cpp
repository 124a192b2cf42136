// How long a full repaint of the main window takes on the headless display:
// frame, client background and every control, from invalidation to the
// pixels handed to the display; what the skinned form's own painting costs
// (the whole non-client area with the client background, and the caption
// band alone as a caption-bar item's hover repaints it); all against a memcpy
// of the window's bytes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "MainWindowBench.h"
#include "skin/MlSkinMessages.h"

using Clock = std::chrono::steady_clock;

static double MedianMicros(int iterations, const std::function<void()>& once) {
  for (int i = 0; i < iterations / 10 + 1; ++i) once();
  std::vector<double> rounds;
  for (int r = 0; r < 7; ++r) {
    auto start = Clock::now();
    for (int i = 0; i < iterations; ++i) once();
    rounds.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() / iterations);
  }
  std::sort(rounds.begin(), rounds.end());
  return rounds[3];
}

int main() {
  MainWindowOnHeadlessDisplay window;
  TForm1* form = window.form;
  HWND h = form->Handle();

  double repaint = MedianMicros(200, [&] {
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  });
  double label = MedianMicros(2000, [&] {
    form->MlSkinLabel3->Invalidate();
    form->MlSkinLabel3->Update();
  });
  TMlSkinForm* skin = form->MlSkinForm1;
  double skinned = MedianMicros(500, [&] {
    SendMessage(h, WM_NCPAINT, 1, 0);
    skin->PaintClientBackground();
    GdiFlush();
  });
  double band = MedianMicros(1000, [&] {
    SendMessage(h, MLM_NCPAINT, kNcPaintCaptionBand, 0);
    GdiFlush();
  });
  std::vector<std::uint32_t> a(444 * 141, 0x12345678), b(a.size());
  double copy = MedianMicros(20000, [&] {
    std::memcpy(b.data(), a.data(), a.size() * 4);
    asm volatile("" ::: "memory");
  });
  std::printf("main window 444 x 141 on the headless display (median of 7 rounds)\n");
  std::printf("  full repaint          %8.1f us  (%.0f x memcpy)\n", repaint, repaint / copy);
  std::printf("  one label repaint     %8.1f us\n", label);
  std::printf("  skinned frame + client background %8.1f us  (%.0f x memcpy)\n", skinned, skinned / copy);
  std::printf("  caption band (an item's hover)   %8.1f us  (%.0f x memcpy)\n", band, band / copy);
  std::printf("  memcpy of the window  %8.2f us\n", copy);
}
