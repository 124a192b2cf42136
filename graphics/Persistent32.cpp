#include "graphics/Persistent32.h"

#include "graphics/GraphicsErrors.h"

int TPlainInterfacedPersistent::AddRef() {
  if (refCounted_) ++refCount_;
  return refCount_;
}

int TPlainInterfacedPersistent::Release() {
  if (!refCounted_) return refCount_;
  int left = --refCount_;
  if (left == 0) delete this;
  return left;
}

void TPlainInterfacedPersistent::BeforeDestruction() const {
  if (refCounted_ && refCount_ != 0) throw Exception("Unmatched reference counting.");
}

void TNotifiablePersistent::Changed() {
  if (updateCount_ == 0 && OnChange) OnChange(this);
}

void TNotifiablePersistent::EndUpdate() {
  if (updateCount_ <= 0) throw EAssertionFailed("Unpaired TThreadPersistent.EndUpdate");
  --updateCount_;
}

void TCustomMap::Resize(int NewWidth, int NewHeight) {
  if (NewWidth < 0) NewWidth = 0;
  if (NewHeight < 0) NewHeight = 0;
  if (NewWidth == width_ && NewHeight == height_) return;
  ChangeSize(width_, height_, NewWidth, NewHeight);
  Changed();
  Resized();
}

void TCustomMap::ChangeSize(int& W, int& H, int NewWidth, int NewHeight) {
  W = NewWidth;
  H = NewHeight;
}

void TCustomMap::Resized() {
  if (OnResize) OnResize(this);
}
