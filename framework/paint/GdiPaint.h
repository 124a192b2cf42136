#pragma once
// Pixel-level helpers shared by the drawing, copying and text code: clip
// rectangles in surface coordinates, solid fills and coverage blending.
#include <cstdint>
#include <vector>

#include "framework/paint/GdiInternal.h"

namespace gdi {

// A COLORREF as the pixel that primitive drawing writes: $00RRGGBB. Alpha 0 is
// what the platform leaves in 32-bit surfaces after fills, lines and text.
constexpr std::uint32_t PixelOf(COLORREF c) {
  return (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (static_cast<std::uint32_t>(GetGValue(c)) << 8) |
         static_cast<std::uint32_t>(GetBValue(c));
}

constexpr COLORREF ColorOfPixel(std::uint32_t p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

// x / 255 rounded to the nearest integer, exact for 0 <= x <= 255 * 255 * 2.
constexpr std::uint32_t Div255(std::uint32_t x) { return (x + 128 + ((x + 128) >> 8)) >> 8; }

// The rectangles a DC may touch, in surface coordinates, optionally narrowed
// to one more rectangle (also in surface coordinates). Never touches pixels
// outside the surface, whatever the clip says.
std::vector<RECT> ClipRects(const DeviceContext& dc);
std::vector<RECT> ClipRects(const DeviceContext& dc, const RECT& limit);

// A logical rectangle of the DC in surface coordinates.
inline RECT ToSurface(const DeviceContext& dc, const RECT& r) {
  return {dc.SurfaceX(r.left), dc.SurfaceY(r.top), dc.SurfaceX(r.right), dc.SurfaceY(r.bottom)};
}

// Writes `pixel` into r (surface coordinates) inside every clip rectangle.
void FillClipped(const Surface32& s, const std::vector<RECT>& clip, const RECT& r, std::uint32_t pixel);

// The span a start coordinate and a signed extent cover, ordered: a positive
// extent covers [x, x + w); a negative one covers (x + w, x], the start pixel
// included, as the platform orders inverted rectangles.
struct Span {
  int first = 0, count = 0;  // leftmost pixel and number of pixels
  bool mirrored = false;     // true when the extent was negative
};
inline Span OrderedSpan(int x, int w) {
  if (w >= 0) return {x, w, false};
  return {x + w + 1, -w, true};
}

// Whether a DC has pixels that a copy may read: a DC whose default 1 x 1
// bitmap is still selected has none.
bool HasReadableSurface(const DeviceContext& dc);

// For each pixel of an ordered destination span, the source surface
// coordinate it samples, or -1 where that falls outside [0, srcLimit). The
// sample for destination step i is source step floor((2i + 1) * ns / (2 * nd)),
// the source pixel under the destination pixel's centre; steps run from the
// start coordinate in the direction of the extent, so opposite signs mirror.
std::vector<int> NearestMap(const Span& dst, const Span& src, int srcLimit);

// Source pixels as a copy reads them. When source and destination share
// memory, the rectangle that will be read is copied first so that the
// writes cannot change what is still to be read.
class SourceReader {
 public:
  SourceReader(const Surface32& src, const Surface32& dst, const RECT& needed);
  // The pixel at (x, y) of the source surface and those to its right; (x, y)
  // must lie inside the rectangle given to the constructor.
  const std::uint32_t* At(int x, int y) const {
    return rows_ + static_cast<std::ptrdiff_t>(y - top_) * stride_ + (x - left_);
  }

 private:
  std::vector<std::uint32_t> copy_;
  const std::uint32_t* rows_ = nullptr;
  int stride_ = 0, left_ = 0, top_ = 0;
};

}  // namespace gdi
