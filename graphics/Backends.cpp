#include "graphics/Backends.h"

#include <algorithm>
#include <new>

#include "graphics/GraphicsErrors.h"

TColor32* TMemoryBackend::CreateSurface(int W, int H) {
  bits_.reset();
  long long n = static_cast<long long>(W) * H;
  if (W <= 0 || H <= 0 || n > MaxSurfacePixels) throw EOutOfMemory("Out of memory");
  bits_.reset(new (std::nothrow) TColor32[static_cast<size_t>(n)]);
  if (!bits_) throw EOutOfMemory("Out of memory");
  std::fill_n(bits_.get(), n, clBlack32);
  return bits_.get();
}

TColor32* TGDIBackend::CreateSurface(int W, int H) {
  DestroySurface();
  std::uint32_t* bits = nullptr;
  if (static_cast<long long>(W) * H <= MaxSurfacePixels) bitmap_ = CreateDIBSection32(W, H, &bits);
  if (!bitmap_) throw Exception("Can't allocate the DIB handle");
  dc_ = CreateCompatibleDC(nullptr);
  if (!dc_) {
    DestroySurface();
    throw Exception("Can't create compatible DC");
  }
  oldBitmap_ = SelectObject(dc_, bitmap_);
  if (!oldBitmap_) {
    DestroySurface();
    throw Exception("Can't select an object into DC");
  }
  return bits;
}

void TGDIBackend::DestroySurface() {
  if (dc_) {
    if (oldBitmap_) SelectObject(dc_, oldBitmap_);
    DeleteDC(dc_);
  }
  if (bitmap_) DeleteObject(bitmap_);
  dc_ = nullptr;
  bitmap_ = nullptr;
  oldBitmap_ = nullptr;
}
