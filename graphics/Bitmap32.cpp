// Bitmap construction, size, drawing properties and change notification.
#include "graphics/Bitmap32.h"

#include "graphics/Picture.h"
#include "graphics/Resamplers32.h"

TCustomBitmap32::TCustomBitmap32() : TCustomBitmap32(std::make_unique<TMemoryBackend>()) {}

TCustomBitmap32::TCustomBitmap32(std::unique_ptr<TCustomBackend> backend) : backend_(std::move(backend)) {
  RegisterPictureFormats();
  AttachResampler<TNearestResampler>(this);
}

TCustomBitmap32::~TCustomBitmap32() {
  Lock();
  // Listeners are gone by now; the size change must not reach them.
  OnChange = nullptr;
  OnResize = nullptr;
  OnAreaChanged = nullptr;
  backend_->DestroySurface();
  bits_ = nullptr;
  Unlock();
  resampler_.reset();
}

void TCustomBitmap32::ChangeSize(int& W, int& H, int NewWidth, int NewHeight) {
  bits_ = nullptr;
  backend_->DestroySurface();
  W = H = 0;
  ResetClipRect();
  if (NewWidth > 0 && NewHeight > 0) {
    // A failed allocation leaves an empty bitmap behind before it raises.
    bits_ = backend_->CreateSurface(NewWidth, NewHeight);
  }
  // One side 0 makes an empty bitmap that keeps the other side's length.
  W = NewWidth;
  H = NewHeight;
  ResetClipRect();
  BackendChanged();
}

void TCustomBitmap32::Resized() {
  TCustomMap::Resized();
}

void TCustomBitmap32::ResetClipRect() {
  clipRect_ = BoundsRect();
  clipping_ = false;
}

void TCustomBitmap32::SetClipBounds(const TRect& r) {
  clipRect_ = IntersectRect(r, BoundsRect());
  clipping_ = !(clipRect_ == BoundsRect());
}

void TCustomBitmap32::SetDrawMode(TDrawMode v) {
  if (drawMode_ == v) return;
  drawMode_ = v;
  NotifyChanged();
}

void TCustomBitmap32::SetCombineMode(TCombineMode v) {
  if (combineMode_ == v) return;
  combineMode_ = v;
  NotifyChanged();
}

void TCustomBitmap32::SetWrapMode(TWrapMode v) {
  if (wrapMode_ == v) return;
  wrapMode_ = v;
  NotifyChanged();
}

void TCustomBitmap32::SetMasterAlpha(unsigned v) {
  if (v > 255) v = 255;
  if (masterAlpha_ == v) return;
  masterAlpha_ = v;
  NotifyChanged();
}

void TCustomBitmap32::SetResampler(TCustomResampler* r) {
  // A bitmap always has a resampler: a null one is not taken.
  if (!r || r == resampler_.get()) return;
  resampler_.reset(r);
  NotifyChanged();
}

AnsiString TCustomBitmap32::ResamplerClassName() const { return resampler_ ? resampler_->ClassName() : ""; }

void TCustomBitmap32::SetResamplerClassName(const AnsiString& name) {
  if (resampler_ && name == resampler_->ClassName()) return;
  CreateResamplerByName(name, this);
}

void TCustomBitmap32::NotifyChanged() { Changed(BoundsRect(), AREAINFO_RECT); }

void TCustomBitmap32::Changed(const TRect& Area, unsigned Info) {
  if (UpdateCount() == 0 && OnAreaChanged) OnAreaChanged(this, Area, Info);
  TNotifiablePersistent::Changed();
}

void TCustomBitmap32::CopyPropertiesTo(TCustomBitmap32* Dst) const {
  Dst->SetDrawMode(drawMode_);
  Dst->SetCombineMode(combineMode_);
  Dst->SetWrapMode(wrapMode_);
  Dst->SetMasterAlpha(masterAlpha_);
  Dst->SetOuterColor(outerColor_);
  Dst->SetResamplerClassName(ResamplerClassName());
  if (Dst->Resampler() && resampler_) Dst->Resampler()->Assign(resampler_.get());
}

void TCustomBitmap32::Assign(const TPersistent* Source) {
  if (!Source) {
    MakeEmpty();
    return;
  }
  if (auto* src = dynamic_cast<const TCustomBitmap32*>(Source)) {
    if (src == this) return;
    BeginUpdate();
    try {
      Resize(src->Width(), src->Height());
      if (!Empty()) std::copy_n(src->bits_, static_cast<size_t>(Width()) * Height(), bits_);
      src->CopyPropertiesTo(this);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    NotifyChanged();
    return;
  }
  if (auto* picture = dynamic_cast<const TPicture*>(Source)) {
    // A picture passes its graphic on.
    if (!picture->Graphic()) {
      MakeEmpty();
      return;
    }
    AssignFromGraphic(*picture->Graphic());
    return;
  }
  if (auto* graphic = dynamic_cast<const TGraphic*>(Source)) {
    AssignFromGraphic(*graphic);
    return;
  }
  TCustomMap::Assign(Source);
}

// ---- TBitmap32

TBitmap32::TBitmap32() : TCustomBitmap32(std::make_unique<TGDIBackend>()) {}

TBitmap32::~TBitmap32() {
  // The surface goes with the base; the canvas must not keep its DC.
  canvas_.SetHandle(nullptr);
}

HBITMAP TBitmap32::BitmapHandle() const { return Backend().BitmapHandle(); }

void TBitmap32::BackendChanged() {
  canvas_.SetHandle(DeviceContext());
  if (OnHandleChanged) OnHandleChanged(this);
}

void TBitmap32::CopyPropertiesTo(TCustomBitmap32* Dst) const {
  TCustomBitmap32::CopyPropertiesTo(Dst);
  if (auto* b = dynamic_cast<TBitmap32*>(Dst)) b->font_.Assign(&font_);
}
