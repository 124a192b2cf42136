// Alpha blending between device contexts, with the platform's formula:
//   dst = src * SCA / 255 + dst * (1 - srcAlpha * SCA / 255 / 255)
// applied to all four channels, where srcAlpha is the source pixel's alpha
// with AC_SRC_ALPHA (the source being premultiplied) and 255 without it.
#include <algorithm>

#include "framework/paint/GdiPaint.h"

namespace {

using gdi::Div255;

// Two channels at once: the pairs hold red and blue, or alpha and green,
// in the low bytes of two 16-bit lanes.
constexpr std::uint32_t kLanes = 0x00FF00FF;

// Each lane times w / 255, rounded to the nearest integer (as Div255).
inline std::uint32_t ScalePair(std::uint32_t pair, std::uint32_t w) {
  std::uint32_t x = pair * w + 0x00800080;
  return ((x + ((x >> 8) & kLanes)) >> 8) & kLanes;
}

// Lane sums of up to 510, saturated at 255.
inline std::uint32_t SaturatePair(std::uint32_t sum) {
  std::uint32_t over = (sum >> 8) & 0x00010001;
  return (sum | (over * 0xFF)) & kLanes;
}

// One pixel: the scaled source plus the destination weighted by what the
// source leaves uncovered, all four channels alike. A source that is not
// really premultiplied could push a channel past 255; it saturates rather
// than wrapping into another colour.
inline std::uint32_t BlendPixel(std::uint32_t src, std::uint32_t dst, std::uint32_t sca, bool perPixel) {
  std::uint32_t srb = src & kLanes, sag = (src >> 8) & kLanes;
  if (sca != 255) {
    srb = ScalePair(srb, sca);
    sag = ScalePair(sag, sca);
  }
  const std::uint32_t uncovered = 255 - (perPixel ? (sag >> 16) : sca);
  std::uint32_t rb = SaturatePair(srb + ScalePair(dst & kLanes, uncovered));
  std::uint32_t ag = SaturatePair(sag + ScalePair((dst >> 8) & kLanes, uncovered));
  return rb | (ag << 8);
}

}  // namespace

BOOL AlphaBlend(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, BLENDFUNCTION bf) {
  if (!IsValidDC(dst) || !IsValidDC(src)) return 0;
  // The platform refuses negative extents here (no mirroring) and any blend
  // operation other than "over".
  if (w < 0 || h < 0 || sw < 0 || sh < 0 || bf.BlendOp != AC_SRC_OVER) return 0;
  if (w == 0 || h == 0 || sw == 0 || sh == 0) return 1;
  if (!gdi::HasReadableSurface(*src)) return 1;
  const bool perPixel = (bf.AlphaFormat & AC_SRC_ALPHA) != 0;
  const std::uint32_t sca = bf.SourceConstantAlpha;
  if (sca == 0) return 1;

  const Surface32& ss = src->surface;
  gdi::Span srcX{src->SurfaceX(sx), sw, false}, srcY{src->SurfaceY(sy), sh, false};
  std::vector<int> xmap = gdi::NearestMap({0, w, false}, srcX, ss.width);
  std::vector<int> ymap = gdi::NearestMap({0, h, false}, srcY, ss.height);

  RECT dr = Bounds(dst->SurfaceX(x), dst->SurfaceY(y), w, h);
  std::vector<RECT> clip = gdi::ClipRects(*dst, dr);
  RECT needed = IntersectRect(Bounds(srcX.first, srcY.first, sw, sh), {0, 0, ss.width, ss.height});
  if (clip.empty() || needed.IsEmpty()) return 1;
  gdi::SourceReader reader(ss, dst->surface, needed);

  // Map entries relative to the left of what is read, so each row is one pointer.
  for (int& m : xmap)
    if (m >= 0) m -= needed.left;
  for (const RECT& c : clip) {
    for (int py = c.top; py < c.bottom; ++py) {
      int fromY = ymap[static_cast<size_t>(py - dr.top)];
      if (fromY < 0) continue;
      const std::uint32_t* in = reader.At(needed.left, fromY);
      std::uint32_t* out = dst->surface.Row(py);
      for (int px = c.left; px < c.right; ++px) {
        int fromX = xmap[static_cast<size_t>(px - dr.left)];
        if (fromX < 0) continue;

        std::uint32_t s = in[fromX];
        // Fully transparent premultiplied pixels leave the destination as it is.
        if (perPixel && s == 0) continue;
        out[px] = BlendPixel(s, out[px], sca, perPixel);
      }
    }
  }
  return 1;
}
