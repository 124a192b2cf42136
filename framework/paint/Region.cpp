#include "framework/paint/Region.h"

#include <algorithm>
#include <cmath>

namespace {

using Spans = std::vector<std::pair<int, int>>;  // sorted disjoint [l, r)

// The x-spans of the region's rectangles that cover the band starting at y.
Spans SpansAt(const std::vector<RECT>& rects, int y) {
  Spans s;
  for (const RECT& r : rects)
    if (r.top <= y && y < r.bottom) s.emplace_back(r.left, r.right);
  std::sort(s.begin(), s.end());
  return s;
}

Spans CombineSpans(const Spans& a, const Spans& b, bool inA, bool inB, bool both) {
  // Sweep over every x where coverage may change.
  std::vector<int> xs;
  for (auto [l, r] : a) xs.push_back(l), xs.push_back(r);
  for (auto [l, r] : b) xs.push_back(l), xs.push_back(r);
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  auto covered = [](const Spans& s, int x) {
    for (auto [l, r] : s)
      if (l <= x && x < r) return true;
    return false;
  };
  Spans out;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    bool ca = covered(a, xs[i]), cb = covered(b, xs[i]);
    bool keep = (ca && cb) ? both : ca ? inA : cb ? inB : false;
    if (!keep) continue;
    if (!out.empty() && out.back().second == xs[i]) out.back().second = xs[i + 1];
    else out.emplace_back(xs[i], xs[i + 1]);
  }
  return out;
}

// Builds canonical rectangles from per-band spans, merging equal bands that touch.
std::vector<RECT> FromBands(const std::vector<std::pair<std::pair<int, int>, Spans>>& bands) {
  std::vector<RECT> out;
  size_t prevStart = 0, prevCount = 0;
  int prevBottom = 0;
  const Spans* prev = nullptr;
  for (const auto& [yy, spans] : bands) {
    if (spans.empty()) {
      prev = nullptr;
      continue;
    }
    if (prev && prevBottom == yy.first && *prev == spans) {
      for (size_t i = prevStart; i < prevStart + prevCount; ++i) out[i].bottom = yy.second;
    } else {
      prevStart = out.size();
      prevCount = spans.size();
      for (auto [l, r] : spans) out.push_back({l, yy.first, r, yy.second});
    }
    prevBottom = yy.second;
    prev = &spans;
  }
  return out;
}

}  // namespace

Region Region::FromRects(const std::vector<RECT>& rects) {
  Region out;
  for (const RECT& r : rects) out = out.Union(Region(r));
  return out;
}

Region Region::Combine(const Region& a, const Region& b, Op op) {
  std::vector<int> ys;
  for (const RECT& r : a.rects_) ys.push_back(r.top), ys.push_back(r.bottom);
  for (const RECT& r : b.rects_) ys.push_back(r.top), ys.push_back(r.bottom);
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  bool inA = op == Op::Union || op == Op::Subtract || op == Op::Xor;
  bool inB = op == Op::Union || op == Op::Xor;
  bool both = op == Op::Union || op == Op::Intersect;
  std::vector<std::pair<std::pair<int, int>, Spans>> bands;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    Spans s = CombineSpans(SpansAt(a.rects_, ys[i]), SpansAt(b.rects_, ys[i]), inA, inB, both);
    bands.push_back({{ys[i], ys[i + 1]}, std::move(s)});
  }
  Region out;
  out.rects_ = FromBands(bands);
  return out;
}

Region Region::Union(const Region& o) const {
  if (o.IsEmpty()) return *this;
  if (IsEmpty()) return o;
  return Combine(*this, o, Op::Union);
}
Region Region::Intersect(const Region& o) const {
  if (IsEmpty() || o.IsEmpty()) return {};
  if (IsRect() && o.IsRect()) return Region(IntersectRect(rects_[0], o.rects_[0]));
  return Combine(*this, o, Op::Intersect);
}
Region Region::Subtract(const Region& o) const {
  if (IsEmpty() || o.IsEmpty()) return *this;
  return Combine(*this, o, Op::Subtract);
}
Region Region::Xor(const Region& o) const { return Combine(*this, o, Op::Xor); }

Region Region::Offset(int dx, int dy) const {
  Region out = *this;
  for (RECT& r : out.rects_) r = OffsetRect(r, dx, dy);
  return out;
}

RECT Region::Bounds() const {
  RECT b{};
  for (const RECT& r : rects_) b = UnionRect(b, r);
  return b;
}

bool Region::Contains(int x, int y) const {
  for (const RECT& r : rects_)
    if (r.Contains(x, y)) return true;
  return false;
}

bool Region::Intersects(const RECT& q) const {
  for (const RECT& r : rects_)
    if (!IntersectRect(r, q).IsEmpty()) return true;
  return false;
}

Region Region::RoundRect(const RECT& r, int ew, int eh) {
  // The right and bottom edges are excluded, as for every rectangle here.
  if (r.IsEmpty()) return {};
  ew = std::min(std::abs(ew), r.Width());
  eh = std::min(std::abs(eh), r.Height());
  if (ew < 2 || eh < 2) return Region(r);
  double rx = ew / 2.0, ry = eh / 2.0;
  std::vector<std::pair<std::pair<int, int>, Spans>> bands;
  for (int y = r.top; y < r.bottom; ++y) {
    // Distance of this row's centre from the nearer corner ellipse's centre line.
    double cy = y + 0.5;
    double dy = 0;
    if (cy < r.top + ry) dy = r.top + ry - cy;
    else if (cy > r.bottom - ry) dy = cy - (r.bottom - ry);
    int inset = 0;
    if (dy > 0) {
      double t = 1.0 - (dy * dy) / (ry * ry);
      double dx = t > 0 ? rx * std::sqrt(t) : 0;
      inset = static_cast<int>(std::lround(rx - dx));
    }
    int l = r.left + inset, rr = r.right - inset;
    Spans s;
    if (l < rr) s.emplace_back(l, rr);
    bands.push_back({{y, y + 1}, std::move(s)});
  }
  Region out;
  out.rects_ = FromBands(bands);
  return out;
}

Region Region::Ellipse(const RECT& r) { return RoundRect(r, r.Width(), r.Height()); }
