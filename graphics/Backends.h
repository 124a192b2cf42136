#pragma once
// The pixel stores behind bitmaps: plain memory, or a DIB section with a
// device context.
#include <memory>

#include "framework/paint/Gdi.h"
#include "graphics/Color32.h"

class TCustomBackend {
 public:
  virtual ~TCustomBackend() = default;
  // Makes a W x H surface (both at least 1) holding the store's initial pixels
  // and returns its pixels. On failure it raises, and no surface is left.
  virtual TColor32* CreateSurface(int W, int H) = 0;
  virtual void DestroySurface() = 0;
  // The device context of the surface, or null when the store has none.
  virtual HDC DeviceContext() const { return nullptr; }
  virtual HBITMAP BitmapHandle() const { return nullptr; }
};

// Largest surface a store makes: 2^28 pixels (1 GiB). Larger requests are
// refused up front rather than left to the memory system.
constexpr long long MaxSurfacePixels = 1LL << 28;

// A heap block; new surfaces are opaque black ($FF000000).
class TMemoryBackend : public TCustomBackend {
 public:
  TColor32* CreateSurface(int W, int H) override;
  void DestroySurface() override { bits_.reset(); }

 private:
  std::unique_ptr<TColor32[]> bits_;
};

// A top-down 32-bit DIB section selected into a memory device context; new
// surfaces are transparent black ($00000000).
class TGDIBackend : public TCustomBackend {
 public:
  ~TGDIBackend() override { DestroySurface(); }
  TColor32* CreateSurface(int W, int H) override;
  void DestroySurface() override;
  HDC DeviceContext() const override { return dc_; }
  HBITMAP BitmapHandle() const override { return bitmap_; }

 private:
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ oldBitmap_ = nullptr;
};
