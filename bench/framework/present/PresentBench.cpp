// How long it takes to show the main window's 444 x 141 surface on an X
// server (a private Xvfb), through shared memory and through XPutImage,
// against a memcpy of the same bytes, the least any path can cost.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/x11/X11Display.h"
#include "tests/support/XvfbServer.h"

namespace {

constexpr int kW = 444, kH = 141;
constexpr int kRounds = 7;

using Clock = std::chrono::steady_clock;

// Median over rounds of the time per iteration, in microseconds.
double Measure(int iterations, const std::function<void()>& once) {
  for (int i = 0; i < iterations / 10 + 1; ++i) once();  // warm up
  std::vector<double> rounds;
  for (int r = 0; r < kRounds; ++r) {
    auto start = Clock::now();
    for (int i = 0; i < iterations; ++i) once();
    rounds.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count() / iterations);
  }
  std::sort(rounds.begin(), rounds.end());
  return rounds[rounds.size() / 2];
}

void WaitForExpose(platform::DisplayBackend& d) {
  for (int i = 0; i < 100; ++i) {
    platform::Event e;
    while (d.PollEvent(e))
      if (e.type == platform::EventType::Expose) return;
    d.WaitEvents(50);
  }
}

}  // namespace

int main() {
  testsupport::XvfbServer server(1280, 800, 24);
  if (!server.Running()) {
    std::fprintf(stderr, "bench_present: %s\n", server.Failure().c_str());
    return 1;
  }
  setenv("DISPLAY", server.Name().c_str(), 1);
  std::string error;
  auto backend = platform::OpenX11Display(&error);
  if (!backend) {
    std::fprintf(stderr, "bench_present: %s\n", error.c_str());
    return 1;
  }
  auto& x11 = static_cast<platform::x11::X11Display&>(*backend);
  platform::NativeWindow w = x11.CreateWindow({100, 100, kW, kH});
  x11.Show(w, false);
  WaitForExpose(x11);

  std::vector<std::uint32_t> surface(size_t(kW) * kH), copy(surface.size());
  for (size_t i = 0; i < surface.size(); ++i) surface[i] = 0xFF000000u | std::uint32_t(i * 2654435761u >> 8);
  const std::vector<platform::IntRect> whole = {{0, 0, kW, kH}};
  // The progress bar of the main window: what most presents carry.
  const std::vector<platform::IntRect> bar = {{20, 80, 424, 98}};

  const int n = 2000;
  double memcpyUs = Measure(n * 5, [&] {
    std::memcpy(copy.data(), surface.data(), surface.size() * 4);
    asm volatile("" : : "r"(copy.data()) : "memory");
  });

  struct Row {
    const char* name;
    bool shm;
    const std::vector<platform::IntRect>* rects;
    bool syncEach;
  } rows[] = {
      {"shm, whole window, round trip each", true, &whole, true},
      {"XPutImage, whole window, round trip each", false, &whole, true},
      {"shm, whole window, pipelined", true, &whole, false},
      {"XPutImage, whole window, pipelined", false, &whole, false},
      {"shm, progress bar 404x18, round trip each", true, &bar, true},
      {"XPutImage, progress bar 404x18, round trip each", false, &bar, true},
  };
  std::printf("present of a %d x %d surface to Xvfb (%s), median of %d rounds\n", kW, kH, server.Name().c_str(),
              kRounds);
  std::printf("%-50s %10s %12s\n", "path", "us/frame", "x memcpy");
  std::printf("%-50s %10.2f %12.2f\n", "memcpy of the whole surface (reference)", memcpyUs, 1.0);
  double shmWhole = 0, putWhole = 0;
  for (const Row& r : rows) {
    x11.PreferSharedMemory(r.shm);
    double us = Measure(n, [&] {
      x11.Present(w, surface.data(), kW, kH, kW, *r.rects);
      if (r.syncEach) x11.Sync();
    });
    if (!r.syncEach) {
      // Pipelined frames: the last ones may still be in flight; count them in.
      auto start = Clock::now();
      for (int i = 0; i < n; ++i) x11.Present(w, surface.data(), kW, kH, kW, *r.rects);
      x11.Sync();
      us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / n;
    }
    if (r.shm && !x11.SharedMemoryUsable()) {
      std::printf("%-50s %10s\n", r.name, "n/a (no shared memory)");
      continue;
    }
    if (r.rects == &whole && r.syncEach) (r.shm ? shmWhole : putWhole) = us;
    std::printf("%-50s %10.2f %12.2f\n", r.name, us, us / memcpyUs);
  }
  if (shmWhole > 0 && putWhole > 0) std::printf("XPutImage / shm (whole window, round trip each): %.2f\n", putWhole / shmWhole);
  x11.DestroyWindow(w);
  return 0;
}
