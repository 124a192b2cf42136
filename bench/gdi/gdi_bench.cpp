// Paint cost of the device-context operations beside peers measured in the
// same run: copies and blends against memcpy of the same bytes, cached text
// against rendering the same glyphs with FreeType directly.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "framework/paint/FontResolver.h"
#include "framework/paint/GdiInternal.h"

namespace {

// Nanoseconds per call, from enough calls to fill about 0.3 seconds.
double NsPerCall(const std::function<void()>& f) {
  using Clock = std::chrono::steady_clock;
  f();
  long calls = 1;
  for (;;) {
    auto start = Clock::now();
    for (long i = 0; i < calls; ++i) f();
    double ns = std::chrono::duration<double, std::nano>(Clock::now() - start).count();
    if (ns > 3e8) return ns / static_cast<double>(calls);
    calls *= 2;
  }
}

struct Surface {
  Surface(int w, int h) : bmp(CreateDIBSection32(w, h, &bits)), dc(CreateCompatibleDC(nullptr)) {
    SelectObject(dc, bmp);
    // Premultiplied pixels at half opacity, as skin images hold them.
    for (int i = 0; i < w * h; ++i) bits[i] = 0x80000000u | (static_cast<std::uint32_t>(i * 2654435761u >> 8) & 0x7F7F7Fu);
  }
  std::uint32_t* bits = nullptr;
  HBITMAP bmp;
  HDC dc;
};

void Report(const char* what, double ours, const char* peer, double theirs) {
  std::printf("%-44s %10.0f ns   %-28s %10.0f ns   ratio %.2f\n", what, ours, peer, theirs, ours / theirs);
}

}  // namespace

int main() {
  const int W = 444, H = 141;  // the main window
  Surface a(W, H), b(W, H), half(W / 2, H / 2);
  std::vector<std::uint32_t> from(static_cast<size_t>(W) * H, 1), to(static_cast<size_t>(W) * H);
  volatile std::uint32_t sink = 0;
  auto copy = [&] {
    std::memcpy(to.data(), from.data(), to.size() * 4);
    sink = sink + to[7];
  };
  double peer = NsPerCall(copy);

  Report("BitBlt 444x141", NsPerCall([&] { BitBlt(b.dc, 0, 0, W, H, a.dc, 0, 0, SRCCOPY); }), "memcpy same bytes", peer);
  Report("StretchBlt 222x70 -> 444x141",
         NsPerCall([&] { StretchBlt(b.dc, 0, 0, W, H, half.dc, 0, 0, W / 2, H / 2, SRCCOPY); }), "memcpy same bytes",
         peer);
  BLENDFUNCTION bf;
  bf.AlphaFormat = AC_SRC_ALPHA;
  Report("AlphaBlend per-pixel 444x141", NsPerCall([&] { AlphaBlend(b.dc, 0, 0, W, H, a.dc, 0, 0, W, H, bf); }),
         "memcpy same bytes", peer);
  RECT all{0, 0, W, H};
  HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
  Report("FillRect 444x141", NsPerCall([&] { FillRect(b.dc, all, brush); }), "memcpy same bytes", peer);

  // A label's text, as the progress display repaints it.
  LOGFONT lf;
  lf.lfHeight = -12;
  lf.lfFaceName = "MS Sans Serif";
  SelectObject(b.dc, CreateFontIndirect(lf));
  SetBkMode(b.dc, TRANSPARENT);
  const std::u16string text = u"正在下载 1.25 MB / 3.50 MB  35%";
  RECT label{10, 10, 300, 30};
  double ours = NsPerCall([&] {
    RECT r = label;
    DrawTextW(b.dc, text, &r, DT_SINGLELINE | DT_VCENTER);
  });

  FT_Library lib;
  FT_Init_FreeType(&lib);
  FontFileRef ref = FallbackFontFile(false, false);
  FT_Face face;
  if (FT_New_Face(lib, ref.path.c_str(), ref.index, &face) != 0) return 1;
  FT_Set_Pixel_Sizes(face, 0, 12);
  double raw = NsPerCall([&] {
    for (char16_t c : text) {
      FT_Load_Char(face, c, FT_LOAD_TARGET_LIGHT);
      FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL);
      sink = sink + face->glyph->bitmap.width;
    }
  });
  Report("DrawText label line (glyphs cached)", ours, "FreeType load+render only", raw);
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
  return 0;
}
