// What the skinned form's painting costs on the main window: the whole
// non-client area with the client background, and the caption band alone as a
// caption-bar item's hover repaints it, beside a memcpy of the window's pixels.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "app/Unit1.h"
#include "platform/CodePage.h"
#include "platform/headless/HeadlessDisplay.h"
#include "skin/MlSkinMessages.h"
#include "skin/MlSkinResManager.h"

using namespace platform::literals;
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
  platform::SetDisplay(std::make_unique<platform::HeadlessDisplay>());
  InitializeSkinResources();
  auto* app = new TApplication(nullptr);
  app->SetTitle("Quelbo自动更新"_cp936);
  TForm1* form = app->CreateForm<TForm1>();
  form->Timer1->SetEnabled(false);
  form->SetVisible(true);
  app->ProcessMessages();
  HWND h = form->Handle();
  TMlSkinForm* skin = form->MlSkinForm1;

  double full = MedianMicros(500, [&] {
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
  std::printf("skinned main window 444 x 141 on the headless display (median of 7 rounds)\n");
  std::printf("  non-client + client background  %8.1f us  (%.0f x memcpy)\n", full, full / copy);
  std::printf("  caption band (hover repaint)    %8.1f us  (%.0f x memcpy)\n", band, band / copy);
  std::printf("  memcpy of the window's pixels   %8.2f us\n", copy);
  delete app;
  FinalizeSkinResources();
  platform::SetDisplay(nullptr);
}
