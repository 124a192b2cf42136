#pragma once
// The affine transformation with which bitmaps are scaled, moved and cut.
#include <cstdint>

#include "graphics/Resamplers32.h"

// x' = M[0][0] x + M[0][1] y + M[0][2];  y' = M[1][0] x + M[1][1] y + M[1][2].
using TFloatMatrix = float[3][3];
using TFixedMatrix = std::int64_t[3][3];

class TTransformation {
 public:
  virtual ~TTransformation() = default;
  const TFloatRect& SrcRect() const { return srcRect_; }
  void SetSrcRect(const TFloatRect& r) {
    srcRect_ = r;
    prepared_ = false;
  }
  // The forward image of SrcRect's corners: smallest and largest x and y.
  virtual TFloatRect GetTransformedBounds() const { return GetTransformedBounds(srcRect_); }
  virtual TFloatRect GetTransformedBounds(const TFloatRect& r) const = 0;
  virtual void TransformFloat(float x, float y, float& ox, float& oy) const = 0;
  // Destination point (16.16) to source point (16.16).
  virtual void ReverseTransformFixed(std::int64_t x, std::int64_t y, std::int64_t& ox, std::int64_t& oy) = 0;
  // Makes the inverse and the fixed-point copies; done before use.
  virtual void PrepareTransform() = 0;

 protected:
  TFloatRect srcRect_;
  bool prepared_ = false;
};

class TAffineTransformation : public TTransformation {
 public:
  TAffineTransformation() { Clear(); }
  void Clear();
  // Uniform scale after the current mapping.
  void Scale(float s) { Scale(s, s); }
  void Scale(float sx, float sy);
  // Translation after the current mapping.
  void Translate(float dx, float dy);
  const TFloatMatrix& Matrix() const { return matrix_; }

  TFloatRect GetTransformedBounds(const TFloatRect& r) const override;
  using TTransformation::GetTransformedBounds;
  void TransformFloat(float x, float y, float& ox, float& oy) const override;
  void ReverseTransformFixed(std::int64_t x, std::int64_t y, std::int64_t& ox, std::int64_t& oy) override;
  void PrepareTransform() override;

  // Fixed-point forward and inverse matrices (valid after PrepareTransform).
  const TFixedMatrix& FixedMatrix() const { return fixed_; }
  const TFixedMatrix& InverseFixedMatrix() const { return inverseFixed_; }

 private:
  TFloatMatrix matrix_;
  TFloatMatrix inverse_;
  TFixedMatrix fixed_;
  TFixedMatrix inverseFixed_;
};

// Draws Src into Dst through T, sampling with Src's resampler and combining
// by Src's drawing properties.
void TransformInto(TCustomBitmap32* Dst, TCustomBitmap32* Src, TTransformation* T);
