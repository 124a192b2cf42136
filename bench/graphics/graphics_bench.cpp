// Throughput of the blend kernels, the nearest stretch and the affine
// transformation on a 1024 x 1024 bitmap, for the portable and the SSE2
// implementations, beside memcpy of the same bytes measured in the same run.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "graphics/Blend32.h"
#include "graphics/Transformation.h"

namespace {

constexpr int kSide = 1024;
constexpr double kPixels = double(kSide) * kSide;

// Seconds per call, from enough calls to fill about 0.3 seconds.
double SecondsPerCall(const std::function<void()>& f) {
  using Clock = std::chrono::steady_clock;
  f();
  long calls = 1;
  for (;;) {
    auto start = Clock::now();
    for (long i = 0; i < calls; ++i) f();
    double s = std::chrono::duration<double>(Clock::now() - start).count();
    if (s > 0.3) return s / static_cast<double>(calls);
    calls *= 2;
  }
}

void Report(const char* what, const char* impl, double seconds, double memcpySeconds) {
  std::printf("%-34s %-9s %9.1f Mpix/s   %6.2f x memcpy time\n", what, impl, kPixels / seconds / 1e6,
              seconds / memcpySeconds);
}

void FillPattern(TCustomBitmap32& b) {
  std::uint32_t seed = 12345;
  for (int i = 0; i < b.Width() * b.Height(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    b.Bits()[i] = seed;  // every alpha from 0 to 255 appears
  }
}

}  // namespace

int main() {
  TCustomBitmap32 src, dst, half;
  src.Resize(kSide, kSide);
  dst.Resize(kSide, kSide);
  half.Resize(kSide / 2, kSide / 2);
  FillPattern(src);
  FillPattern(dst);
  FillPattern(half);
  std::vector<TColor32> a(static_cast<size_t>(kPixels)), b(static_cast<size_t>(kPixels));
  std::memcpy(a.data(), src.Bits(), a.size() * 4);

  double copy = SecondsPerCall([&] {
    std::memcpy(b.data(), a.data(), b.size() * 4);
    asm volatile("" : : "r"(b.data()) : "memory");
  });
  std::printf("memcpy of %d x %d x 4 bytes: %.1f Mpix/s (%.0f us)\n\n", kSide, kSide, kPixels / copy / 1e6, copy * 1e6);

  for (const char* impl : {"portable", "sse2"}) {
    if (!BindBlendImplementation(impl)) continue;
    Report("BlendRowOver", impl, SecondsPerCall([&] {
             for (int y = 0; y < kSide; ++y) BlendRowOver(src.ScanLine(y), dst.ScanLine(y), kSide);
           }), copy);
    Report("BlendRowOverWeighted (M = 200)", impl, SecondsPerCall([&] {
             for (int y = 0; y < kSide; ++y) BlendRowOverWeighted(src.ScanLine(y), dst.ScanLine(y), kSide, 200);
           }), copy);
    half.SetDrawMode(dmOpaque);
    Report("nearest stretch 512 -> 1024, opaque", impl, SecondsPerCall([&] {
             dst.DrawFrom(dst.BoundsRect(), half.BoundsRect(), &half);
           }), copy);
    half.SetDrawMode(dmBlend);
    Report("nearest stretch 512 -> 1024, blend", impl, SecondsPerCall([&] {
             dst.DrawFrom(dst.BoundsRect(), half.BoundsRect(), &half);
           }), copy);
    TAffineTransformation t;
    t.SetSrcRect({0, 0, float(kSide), float(kSide)});
    t.Translate(3, 5);
    src.SetDrawMode(dmBlend);
    Report("TransformInto, translate, blend", impl, SecondsPerCall([&] { TransformInto(&dst, &src, &t); }), copy);
    src.SetDrawMode(dmOpaque);
    std::printf("\n");
  }
  BindBlendOperations(ProcessorFeatures());
  return 0;
}
