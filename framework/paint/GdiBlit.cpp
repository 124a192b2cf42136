// Block and stretch copies between device contexts. Between 32-bit surfaces
// all four bytes of a pixel are copied; nothing is blended.
#include <cstring>

#include "framework/paint/GdiPaint.h"

namespace gdi {

bool HasReadableSurface(const DeviceContext& dc) {
  if (!dc.surface.bits || dc.surface.width <= 0 || dc.surface.height <= 0) return false;
  // The only stock bitmap is the 1 x 1 placeholder of a fresh memory DC.
  return !(dc.kind == DeviceContext::Kind::Memory && dc.state.bitmap && dc.state.bitmap->stock);
}

std::vector<int> NearestMap(const Span& dst, const Span& src, int srcLimit) {
  std::vector<int> map(static_cast<size_t>(dst.count > 0 ? dst.count : 0), -1);
  if (dst.count <= 0 || src.count <= 0) return map;
  const long long nd = dst.count, ns = src.count;
  for (long long u = 0; u < nd; ++u) {
    long long i = dst.mirrored ? nd - 1 - u : u;  // step from the start point
    long long j = (2 * i + 1) * ns / (2 * nd);
    long long v = src.mirrored ? ns - 1 - j : j;  // ordered source offset
    long long x = src.first + v;
    map[static_cast<size_t>(u)] = (x >= 0 && x < srcLimit) ? static_cast<int>(x) : -1;
  }
  return map;
}

SourceReader::SourceReader(const Surface32& src, const Surface32& dst, const RECT& needed)
    : left_(needed.left), top_(needed.top) {
  if (src.bits != dst.bits || needed.IsEmpty()) {
    rows_ = src.bits ? src.Row(0) : nullptr;
    stride_ = src.stride;
    left_ = 0;
    top_ = 0;
    return;
  }
  stride_ = needed.Width();
  copy_.resize(static_cast<size_t>(needed.Width()) * static_cast<size_t>(needed.Height()));
  for (int y = needed.top; y < needed.bottom; ++y)
    std::memcpy(&copy_[static_cast<size_t>(y - needed.top) * static_cast<size_t>(stride_)], src.Row(y) + needed.left,
                static_cast<size_t>(stride_) * 4);
  rows_ = copy_.data();
}

}  // namespace gdi

namespace {

// A copy from the source DC's logical spans to the destination DC's logical
// spans, sampled nearest-neighbour. Both rectangles pass through their own
// DC's viewport; destination pixels whose sample lies outside the source
// surface are left alone.
void CopyStretched(HDC dst, gdi::Span dx, gdi::Span dy, HDC src, gdi::Span sx, gdi::Span sy) {
  if (dx.count <= 0 || dy.count <= 0 || sx.count <= 0 || sy.count <= 0) return;
  if (!gdi::HasReadableSurface(*src)) return;
  const Surface32& ss = src->surface;
  sx.first = src->SurfaceX(sx.first);
  sy.first = src->SurfaceY(sy.first);
  std::vector<int> xmap = gdi::NearestMap(dx, sx, ss.width);
  std::vector<int> ymap = gdi::NearestMap(dy, sy, ss.height);

  RECT dr = Bounds(dst->SurfaceX(dx.first), dst->SurfaceY(dy.first), dx.count, dy.count);
  std::vector<RECT> clip = gdi::ClipRects(*dst, dr);
  if (clip.empty()) return;
  RECT needed = IntersectRect(Bounds(sx.first, sy.first, sx.count, sy.count), {0, 0, ss.width, ss.height});
  if (needed.IsEmpty()) return;
  gdi::SourceReader reader(ss, dst->surface, needed);

  // Same size and direction: rows are contiguous runs that can be moved whole.
  const bool plain = dx.count == sx.count && dx.mirrored == sx.mirrored;
  for (const RECT& c : clip) {
    bool wholeRows = true;  // every pixel of a row in this rectangle has a sample
    for (int x = c.left; x < c.right && wholeRows; ++x) wholeRows = xmap[static_cast<size_t>(x - dr.left)] >= 0;
    for (int y = c.top; y < c.bottom; ++y) {
      int srcY = ymap[static_cast<size_t>(y - dr.top)];
      if (srcY < 0) continue;
      std::uint32_t* out = dst->surface.Row(y);
      if (plain) {
        int shift = sx.first - dr.left;  // source x = destination x + shift
        int l = std::max(c.left, -shift), r = std::min(c.right, ss.width - shift);
        if (l < r) std::memcpy(out + l, reader.At(l + shift, srcY), static_cast<size_t>(r - l) * 4);
        continue;
      }
      // An enlarged row repeats the one above it.
      if (wholeRows && y > c.top && ymap[static_cast<size_t>(y - 1 - dr.top)] == srcY) {
        std::memcpy(out + c.left, dst->surface.Row(y - 1) + c.left, static_cast<size_t>(c.right - c.left) * 4);
        continue;
      }
      const std::uint32_t* in = reader.At(needed.left, srcY);
      for (int x = c.left; x < c.right; ++x) {
        int srcX = xmap[static_cast<size_t>(x - dr.left)];
        if (srcX >= 0) out[x] = in[srcX - needed.left];
      }
    }
  }
}

}  // namespace

BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop) {
  if (!IsValidDC(dst)) return 0;
  if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY) return PatBlt(dst, x, y, w, h, rop);
  if (rop != SRCCOPY || !IsValidDC(src)) return 0;
  if (sw == 0 || sh == 0) return 0;
  CopyStretched(dst, gdi::OrderedSpan(x, w), gdi::OrderedSpan(y, h), src, gdi::OrderedSpan(sx, sw),
                gdi::OrderedSpan(sy, sh));
  return 1;
}

BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
  if (!IsValidDC(dst)) return 0;
  if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY) return PatBlt(dst, x, y, w, h, rop);
  if (rop != SRCCOPY || !IsValidDC(src)) return 0;
  // Equal extents on both sides: a plain copy, whatever their signs.
  CopyStretched(dst, gdi::OrderedSpan(x, w), gdi::OrderedSpan(y, h), src, gdi::OrderedSpan(sx, w),
                gdi::OrderedSpan(sy, h));
  return 1;
}
