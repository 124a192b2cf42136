// Primitive drawing on device contexts: fills, frames, pixels, lines, pattern
// blits and the text colour state. Everything here writes alpha 0.
#include <algorithm>
#include <cstdlib>

#include "framework/paint/GdiPaint.h"

namespace gdi {

std::vector<RECT> ClipRects(const DeviceContext& dc) {
  RECT surface{0, 0, dc.surface.width, dc.surface.height};
  std::vector<RECT> out;
  if (!dc.surface.bits) return out;
  const Region clip = dc.EffectiveClip();
  for (const RECT& r : clip.Rects()) {
    RECT c = IntersectRect(r, surface);
    if (!c.IsEmpty()) out.push_back(c);
  }
  return out;
}

std::vector<RECT> ClipRects(const DeviceContext& dc, const RECT& limit) {
  std::vector<RECT> out;
  for (const RECT& r : ClipRects(dc)) {
    RECT c = IntersectRect(r, limit);
    if (!c.IsEmpty()) out.push_back(c);
  }
  return out;
}

void FillClipped(const Surface32& s, const std::vector<RECT>& clip, const RECT& r, std::uint32_t pixel) {
  for (const RECT& c : clip) {
    RECT f = IntersectRect(c, r);
    for (int y = f.top; y < f.bottom; ++y) std::fill_n(s.Row(y) + f.left, f.right - f.left, pixel);
  }
}

}  // namespace gdi

using gdi::ClipRects;
using gdi::FillClipped;
using gdi::PixelOf;

int FillRect(HDC hdc, const RECT& r, HBRUSH br) {
  if (!IsValidDC(hdc) || !br) return 0;
  if (br->hollow) return 1;
  FillClipped(hdc->surface, ClipRects(*hdc), gdi::ToSurface(*hdc, r), PixelOf(br->color));
  return 1;
}

int FrameRect(HDC hdc, const RECT& r, HBRUSH br) {
  if (!IsValidDC(hdc) || !br) return 0;
  if (br->hollow || r.IsEmpty()) return 1;
  RECT s = gdi::ToSurface(*hdc, r);
  std::vector<RECT> clip = ClipRects(*hdc);
  std::uint32_t p = PixelOf(br->color);
  FillClipped(hdc->surface, clip, {s.left, s.top, s.right, s.top + 1}, p);
  FillClipped(hdc->surface, clip, {s.left, s.bottom - 1, s.right, s.bottom}, p);
  FillClipped(hdc->surface, clip, {s.left, s.top, s.left + 1, s.bottom}, p);
  FillClipped(hdc->surface, clip, {s.right - 1, s.top, s.right, s.bottom}, p);
  return 1;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF c) {
  if (!IsValidDC(hdc)) return CLR_INVALID;
  int sx = hdc->SurfaceX(x), sy = hdc->SurfaceY(y);
  if (ClipRects(*hdc, {sx, sy, sx + 1, sy + 1}).empty()) return CLR_INVALID;
  hdc->surface.Row(sy)[sx] = PixelOf(c);
  return c & 0xFFFFFF;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  if (!IsValidDC(hdc)) return CLR_INVALID;
  int sx = hdc->SurfaceX(x), sy = hdc->SurfaceY(y);
  if (ClipRects(*hdc, {sx, sy, sx + 1, sy + 1}).empty()) return CLR_INVALID;
  return gdi::ColorOfPixel(hdc->surface.Row(sy)[sx]);
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* old) {
  if (!IsValidDC(hdc)) return 0;
  if (old) *old = hdc->state.curPos;
  hdc->state.curPos = {x, y};
  return 1;
}

BOOL LineTo(HDC hdc, int x, int y) {
  if (!IsValidDC(hdc)) return 0;
  POINT from = hdc->state.curPos;
  hdc->state.curPos = {x, y};
  HPEN pen = hdc->state.pen;
  if (!pen || pen->style == PS_NULL) return 1;

  std::vector<RECT> clip = ClipRects(*hdc);
  if (clip.empty()) return 1;
  std::uint32_t p = PixelOf(pen->color);
  auto plot = [&](int lx, int ly) {
    int sx = hdc->SurfaceX(lx), sy = hdc->SurfaceY(ly);
    for (const RECT& c : clip)
      if (c.Contains(sx, sy)) {
        hdc->surface.Row(sy)[sx] = p;
        return;
      }
  };

  // Bresenham along the major axis; the end point is not drawn, so a line
  // continued from its end does not draw the joint twice.
  int dx = std::abs(x - from.x), dy = -std::abs(y - from.y);
  int stepX = from.x < x ? 1 : -1, stepY = from.y < y ? 1 : -1;
  int err = dx + dy;
  int cx = from.x, cy = from.y;
  while (cx != x || cy != y) {
    plot(cx, cy);
    int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      cx += stepX;
    }
    if (e2 <= dx) {
      err += dx;
      cy += stepY;
    }
  }
  return 1;
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
  if (!IsValidDC(hdc)) return 0;
  std::uint32_t pixel = 0;
  switch (rop) {
    case BLACKNESS: pixel = 0x00000000; break;
    case WHITENESS: pixel = 0x00FFFFFF; break;
    case PATCOPY:
      if (!hdc->state.brush) return 0;
      if (hdc->state.brush->hollow) return 1;
      pixel = PixelOf(hdc->state.brush->color);
      break;
    default: return 0;
  }
  gdi::Span sx = gdi::OrderedSpan(x, w), sy = gdi::OrderedSpan(y, h);
  RECT r = gdi::ToSurface(*hdc, Bounds(sx.first, sy.first, sx.count, sy.count));
  FillClipped(hdc->surface, ClipRects(*hdc), r, pixel);
  return 1;
}

COLORREF SetTextColor(HDC hdc, COLORREF c) {
  if (!IsValidDC(hdc)) return CLR_INVALID;
  COLORREF old = hdc->state.textColor;
  hdc->state.textColor = c & 0xFFFFFF;
  return old;
}

COLORREF GetTextColor(HDC hdc) { return IsValidDC(hdc) ? hdc->state.textColor : CLR_INVALID; }

COLORREF SetBkColor(HDC hdc, COLORREF c) {
  if (!IsValidDC(hdc)) return CLR_INVALID;
  COLORREF old = hdc->state.bkColor;
  hdc->state.bkColor = c & 0xFFFFFF;
  return old;
}

int SetBkMode(HDC hdc, int mode) {
  if (!IsValidDC(hdc) || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = hdc->state.bkMode;
  hdc->state.bkMode = mode;
  return old;
}
