// Start-up cost of decoding the built-in skin images, beside a bare start
// of a process of the same size (this program, exec'd to return at once);
// and the glow of a 14-character caption, beside drawing the caption itself.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "graphics/Bitmap32.h"
#include "skin/GlowText.h"
#include "skin/MlSkinResDM.h"

namespace {

using Clock = std::chrono::steady_clock;

// Median seconds of one run of f, over the given number of runs.
double Median(int runs, const std::function<void()>& f) {
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    f();
    t.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::nth_element(t.begin(), t.begin() + runs / 2, t.end());
  return t[size_t(runs / 2)];
}

void BareStart(const char* self) {
  pid_t pid = fork();
  if (pid == 0) {
    execl(self, self, "--bare", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--bare") == 0) return 0;

  double bare = Median(41, [&] { BareStart("/proc/self/exe"); });
  double first = Median(1, [] {
    CreateMlSkinResDM();
    FreeMlSkinResDM();
  });
  double decode = Median(41, [] {
    CreateMlSkinResDM();
    FreeMlSkinResDM();
  });
  std::printf("built-in skin images (79), decoded at start-up: %7.3f ms (first run %.3f ms)\n", decode * 1e3,
              first * 1e3);
  std::printf("bare start of a process of this size:            %7.3f ms\n", bare * 1e3);
  std::printf("decode / bare start:                             %7.2f\n\n", decode / bare);

  TBitmap32 canvas;
  canvas.Resize(241, 17);
  canvas.Clear(0xFFFF8A00);
  const AnsiString caption = "Quelbo updater";
  const TRect r = Rect(0, 0, 241, 17);
  const UINT flags = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
  HDC dc = canvas.Canvas().Handle();
  SelectObject(dc, canvas.Canvas().Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  double text = Median(2001, [&] {
    RECT t = r;
    DrawTextA(dc, caption, &t, flags);
  });
  double glow = Median(2001, [&] { DrawGlowText(&canvas.Canvas(), r, caption, 1, 0xFFFFFE, flags); });
  std::printf("DrawGlowText, 14 characters in 241 x 17:         %7.1f us\n", glow * 1e6);
  std::printf("DrawTextA of the same caption:                   %7.1f us\n", text * 1e6);
  std::printf("glow / text:                                     %7.2f\n", glow / text);
  return 0;
}
