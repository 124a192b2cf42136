// The affine transformation and drawing a bitmap through it.
#include "graphics/Transformation.h"

#include <algorithm>
#include <cmath>

#include "graphics/Transfers32.h"

namespace {

void Multiply(const TFloatMatrix& a, const TFloatMatrix& b, TFloatMatrix& out) {
  TFloatMatrix r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
  std::copy(&r[0][0], &r[0][0] + 9, &out[0][0]);
}

std::int64_t ToFixed(float v) {
  double f = std::nearbyint(static_cast<double>(v) * 65536.0);
  return std::isfinite(f) ? static_cast<std::int64_t>(std::clamp(f, -4.0e15, 4.0e15)) : 0;
}

}  // namespace

void TAffineTransformation::Clear() {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) matrix_[i][j] = i == j ? 1.0f : 0.0f;
  prepared_ = false;
}

void TAffineTransformation::Scale(float sx, float sy) {
  const TFloatMatrix s = {{sx, 0, 0}, {0, sy, 0}, {0, 0, 1}};
  Multiply(s, matrix_, matrix_);
  prepared_ = false;
}

void TAffineTransformation::Translate(float dx, float dy) {
  const TFloatMatrix t = {{1, 0, dx}, {0, 1, dy}, {0, 0, 1}};
  Multiply(t, matrix_, matrix_);
  prepared_ = false;
}

void TAffineTransformation::TransformFloat(float x, float y, float& ox, float& oy) const {
  ox = matrix_[0][0] * x + matrix_[0][1] * y + matrix_[0][2];
  oy = matrix_[1][0] * x + matrix_[1][1] * y + matrix_[1][2];
}

TFloatRect TAffineTransformation::GetTransformedBounds(const TFloatRect& r) const {
  float xs[4], ys[4];
  TransformFloat(r.Left, r.Top, xs[0], ys[0]);
  TransformFloat(r.Right, r.Top, xs[1], ys[1]);
  TransformFloat(r.Right, r.Bottom, xs[2], ys[2]);
  TransformFloat(r.Left, r.Bottom, xs[3], ys[3]);
  return {*std::min_element(xs, xs + 4), *std::min_element(ys, ys + 4), *std::max_element(xs, xs + 4),
          *std::max_element(ys, ys + 4)};
}

void TAffineTransformation::PrepareTransform() {
  const auto& m = matrix_;
  double det = double(m[0][0]) * m[1][1] - double(m[0][1]) * m[1][0];
  if (det == 0 || !std::isfinite(det)) {
    // A transformation that flattens the plane has no inverse; every sample
    // then comes from the source's origin.
    for (auto& row : inverse_) std::fill(row, row + 3, 0.0f);
  } else {
    inverse_[0][0] = static_cast<float>(m[1][1] / det);
    inverse_[0][1] = static_cast<float>(-m[0][1] / det);
    inverse_[1][0] = static_cast<float>(-m[1][0] / det);
    inverse_[1][1] = static_cast<float>(m[0][0] / det);
    inverse_[0][2] = static_cast<float>((double(m[0][1]) * m[1][2] - double(m[1][1]) * m[0][2]) / det);
    inverse_[1][2] = static_cast<float>((double(m[1][0]) * m[0][2] - double(m[0][0]) * m[1][2]) / det);
  }
  inverse_[2][0] = inverse_[2][1] = 0;
  inverse_[2][2] = 1;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      fixed_[i][j] = ToFixed(matrix_[i][j]);
      inverseFixed_[i][j] = ToFixed(inverse_[i][j]);
    }
  prepared_ = true;
}

void TAffineTransformation::ReverseTransformFixed(std::int64_t x, std::int64_t y, std::int64_t& ox,
                                                  std::int64_t& oy) {
  if (!prepared_) PrepareTransform();
  const auto& a = inverseFixed_;
  ox = ((x * a[0][0]) >> 16) + ((y * a[0][1]) >> 16) + a[0][2];
  oy = ((x * a[1][0]) >> 16) + ((y * a[1][1]) >> 16) + a[1][2];
}

void TransformInto(TCustomBitmap32* Dst, TCustomBitmap32* Src, TTransformation* T) {
  if (!Dst) throw EBitmapException("Destination bitmap is nil");
  if (!Src) throw EBitmapException("Source bitmap is nil");
  if (!T || Src->Empty()) return;
  TRect region = IntersectRect(Dst->BoundsRect(), Dst->ClipBounds());
  if (region.IsEmpty()) return;
  T->PrepareTransform();
  TCustomResampler* sampler = Src->Resampler();

  if (sampler->HasBounds()) {
    TFloatRect b = sampler->SampleBounds(), s = T->SrcRect();
    TFloatRect both{std::max(b.Left, s.Left), std::max(b.Top, s.Top), std::min(b.Right, s.Right),
                    std::min(b.Bottom, s.Bottom)};
    if (!(both.Left < both.Right && both.Top < both.Bottom)) return;
    TFloatRect f = T->GetTransformedBounds(both);
    auto outward = [](double v) { return static_cast<int>(std::clamp(v, -2147483648.0, 2147483647.0)); };
    TRect limit{outward(std::floor(f.Left)), outward(std::floor(f.Top)), outward(std::ceil(f.Right)),
                outward(std::ceil(f.Bottom))};
    region = IntersectRect(region, limit);
    if (region.IsEmpty()) return;
  }

  auto* affine = dynamic_cast<TAffineTransformation*>(T);
  for (int y = region.top; y < region.bottom; ++y) {
    TColor32* row = Dst->ScanLine(y);
    const std::int64_t y16 = std::int64_t(y) * 65536 + 32767;
    if (affine) {
      // Stepping one pixel right adds 65536 to x', so each product term
      // (x' * a) >> 16 grows by exactly a: the walk is exact.
      const TFixedMatrix& m = affine->InverseFixedMatrix();
      std::int64_t u, v;
      T->ReverseTransformFixed(std::int64_t(region.left) * 65536 + 32767, y16, u, v);
      for (int x = region.left; x < region.right; ++x, u += m[0][0], v += m[1][0])
        CombinePixel(*Src, sampler->GetSampleFixed(u - 32767, v - 32767), row[x]);
      continue;
    }
    for (int x = region.left; x < region.right; ++x) {
      std::int64_t u, v;
      T->ReverseTransformFixed(std::int64_t(x) * 65536 + 32767, y16, u, v);
      CombinePixel(*Src, sampler->GetSampleFixed(u - 32767, v - 32767), row[x]);
    }
  }
  Dst->Changed(region);
}
