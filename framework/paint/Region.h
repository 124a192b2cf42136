#pragma once
// A set of pixels held as non-overlapping rectangles in y-bands: the value type
// behind window update regions, window shapes and clip regions.
#include <vector>

#include "core/Types.h"

class Region {
 public:
  Region() = default;
  explicit Region(const RECT& r) {
    if (!r.IsEmpty()) rects_.push_back(r);
  }
  static Region FromRects(const std::vector<RECT>& rects);
  // A rectangle with elliptic corners of the given diameters.
  static Region RoundRect(const RECT& r, int ellipseW, int ellipseH);
  static Region Ellipse(const RECT& r);

  bool IsEmpty() const { return rects_.empty(); }
  const std::vector<RECT>& Rects() const { return rects_; }
  RECT Bounds() const;
  bool Contains(int x, int y) const;
  bool Intersects(const RECT& r) const;
  bool IsRect() const { return rects_.size() == 1; }

  Region Union(const Region& o) const;
  Region Intersect(const Region& o) const;
  Region Subtract(const Region& o) const;
  Region Xor(const Region& o) const;
  Region Offset(int dx, int dy) const;
  void Clear() { rects_.clear(); }

  friend bool operator==(const Region& a, const Region& b) { return a.rects_ == b.rects_; }

 private:
  enum class Op { Union, Intersect, Subtract, Xor };
  static Region Combine(const Region& a, const Region& b, Op op);
  std::vector<RECT> rects_;  // canonical: banded, sorted, vertically coalesced
};
