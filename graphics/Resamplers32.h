#pragma once
// Resamplers: how a bitmap is sampled between and outside its pixels, and
// how it is stretched onto another bitmap.
#include <cstdint>

#include "graphics/Bitmap32.h"

enum TPixelAccessMode { pamUnsafe, pamSafe, pamWrap, pamTransparentEdge };

struct TFloatRect {
  float Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// A resampler belongs to exactly one bitmap: AttachResampler creates one and
// makes it that bitmap's resampler (the previous one is freed).
class TCustomResampler : public TNotifiablePersistent {
 public:
  explicit TCustomResampler(TCustomBitmap32* Owner);
  virtual const char* ClassName() const = 0;

  // Copies the settings of another resampler.
  void Assign(const TPersistent* Source) override;

  TCustomBitmap32* Bitmap() const { return bitmap_; }
  TPixelAccessMode PixelAccessMode() const { return accessMode_; }
  // A change notifies the owner bitmap.
  void SetPixelAccessMode(TPixelAccessMode m);

  // The part of the plane samples come from: the owner's clip, grown by one
  // pixel in pamTransparentEdge; pamWrap has no bounds.
  bool HasBounds() const { return accessMode_ != pamWrap; }
  TFloatRect SampleBounds() const;

  virtual TColor32 GetSampleInt(int X, int Y) const = 0;
  // X and Y in 16.16 fixed point (held wide so that large bitmaps cannot overflow).
  virtual TColor32 GetSampleFixed(std::int64_t X, std::int64_t Y) const = 0;
  virtual TColor32 GetSampleFloat(float X, float Y) const = 0;

  // Stretches SrcRect of the owner (already inside it) into DstRect of Dst,
  // writing only inside DstClip, combined by the owner's draw mode.
  virtual void Resample(TCustomBitmap32* Dst, const TRect& DstRect, const TRect& DstClip, const TRect& SrcRect) = 0;

 protected:
  // The pixel at (X, Y) read through the access mode.
  TColor32 PixelThroughAccessMode(int X, int Y) const;

 private:
  TCustomBitmap32* bitmap_;
  TPixelAccessMode accessMode_ = pamSafe;
};

class TNearestResampler : public TCustomResampler {
 public:
  using TCustomResampler::TCustomResampler;
  const char* ClassName() const override { return "TNearestResampler"; }
  TColor32 GetSampleInt(int X, int Y) const override;
  TColor32 GetSampleFixed(std::int64_t X, std::int64_t Y) const override;
  TColor32 GetSampleFloat(float X, float Y) const override;
  void Resample(TCustomBitmap32* Dst, const TRect& DstRect, const TRect& DstClip, const TRect& SrcRect) override;
};

// Bilinear sampling of the 2 x 2 block around a point.
class TLinearResampler : public TCustomResampler {
 public:
  using TCustomResampler::TCustomResampler;
  const char* ClassName() const override { return "TLinearResampler"; }
  TColor32 GetSampleInt(int X, int Y) const override;
  TColor32 GetSampleFixed(std::int64_t X, std::int64_t Y) const override;
  TColor32 GetSampleFloat(float X, float Y) const override;
  void Resample(TCustomBitmap32* Dst, const TRect& DstRect, const TRect& DstClip, const TRect& SrcRect) override;

 private:
  TColor32 TransparentEdgeSample(std::int64_t U, std::int64_t V) const;
};

// Registered for stored forms; samples like the linear resampler.
class TDraftResampler : public TLinearResampler {
 public:
  using TLinearResampler::TLinearResampler;
  const char* ClassName() const override { return "TDraftResampler"; }
};

class TKernelResampler : public TLinearResampler {
 public:
  using TLinearResampler::TLinearResampler;
  const char* ClassName() const override { return "TKernelResampler"; }
};

template <class R>
R* AttachResampler(TCustomBitmap32* Owner) {
  auto* r = new R(Owner);
  Owner->SetResampler(r);
  return r;
}

// A new resampler of the registered class Name (exact, case-sensitive) for
// Owner, or null when the name is unknown.
TCustomResampler* CreateResamplerByName(const AnsiString& Name, TCustomBitmap32* Owner);

// Folds a coordinate into [Min, Max) by the wrap mode.
int WrapCoordinate(int V, int Min, int Max, TWrapMode Mode);
