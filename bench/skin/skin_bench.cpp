// Start-up cost of decoding the built-in skin images, beside a bare start
// of a process of the same size (this program, exec'd to return at once);
// the glow of a 14-character caption, beside drawing the caption itself; and
// looking up a skin image by name (an existing file of that name in any
// letter case first), beside the one file test of the exact name.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "graphics/Bitmap32.h"
#include "platform/Files.h"
#include "skin/GlowText.h"
#include "skin/MlSkinResDM.h"
#include "skin/MlSkinResManager.h"

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
  std::printf("glow / text:                                     %7.2f\n\n", glow / text);

  // A built-in name, after the program's directory is searched for a file of
  // that name in any letter case; and a missing file in a directory of 300
  // entries, as large as a game's installation directory may be.
  struct stat st;
  const std::string beside = SkinFilePath("MlSkinBar_cur");
  double statOnly = Median(20001, [&] { stat(beside.c_str(), &st); });
  double builtIn = Median(20001, [] { GetSkinBitmap("MlSkinBar_cur"); });
  // What the lookup did before it asked for other letter case.
  double exactOnly = Median(20001, [&] {
    if (!platform::FileExists(beside)) GetSkinResManager()->FindBuiltInIndex("MlSkinBar_cur");
  });
  char tmpl[] = "/tmp/quelbo-skin-bench-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  for (int i = 0; i < 300; ++i) std::fclose(std::fopen((dir + "/file" + std::to_string(i) + ".dat").c_str(), "w"));
  // An installation directory that has not changed for a while.
  std::filesystem::last_write_time(dir, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5));
  const std::string missing = dir + "/Skin/bg.png";
  double large = Median(2001, [&] { GetSkinBitmap(missing); });
  std::filesystem::remove_all(dir);
  std::printf("GetSkinBitmap of a built-in name:                %7.2f us\n", builtIn * 1e6);
  std::printf("  a missing file in a directory of 300:          %7.2f us\n", large * 1e6);
  std::printf("the exact name only (file test, built-in list):  %7.2f us\n", exactOnly * 1e6);
  std::printf("stat of the exact name:                          %7.2f us\n", statOnly * 1e6);
  std::printf("built-in lookup / exact name only:               %7.2f\n", builtIn / exactOnly);
  FinalizeSkinResources();
  return 0;
}
