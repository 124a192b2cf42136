#include "skin/PngPictures.h"

#include "skin/MlSkinResManager.h"

void TPngPictures::Assign(const TPersistent* Source) {
  if (auto* s = dynamic_cast<const TPngPictures*>(Source)) {
    SetActive(s->active_);
    SetImage(s->image_);
    SetCount(s->count_);
    SetNormal(s->normal_);
    SetHot(s->hot_);
    SetPressed(s->pressed_);
    SetDisable(s->disable_);
    SetMultiLineMode(s->multiLineMode_);
    return;
  }
  TPersistent::Assign(Source);
}

void TPngPictures::SetActive(bool v) {
  active_ = v;
  Changed();
}

void TPngPictures::SetImage(const TMlResID& v) {
  if (v == image_) return;
  image_ = v;
  // A failing lookup leaves the strip without an image, not with the old one.
  bitmap_ = nullptr;
  bitmap_ = GetSkinBitmap(v);
  Changed();
}

void TPngPictures::SetNormal(int v) {
  normal_ = v;
  Changed();
}

void TPngPictures::SetHot(int v) {
  hot_ = v;
  Changed();
}

void TPngPictures::SetDisable(int v) {
  disable_ = v;
  Changed();
}

void TPngPictures::SetCount(int v) {
  count_ = v;
  Changed();
}

void TPngPictures::SetPicturesChanged(TNotifyEvent v) {
  picturesChanged_ = std::move(v);
  Changed();
}

void TPngPictures::Changed() {
  if (picturesChanged_) picturesChanged_(this);
}

std::unique_ptr<TMlSkinImage> TPngPictures::GetFrame(int Index) const {
  if (Index < 0 || !bitmap_ || Index >= count_) return nullptr;
  const int w = bitmap_->Width(), h = bitmap_->Height();
  const int fw = multiLineMode_ ? w : w / count_;
  const int fh = multiLineMode_ ? h / count_ : h;
  const int dx = multiLineMode_ ? 0 : fw * Index;
  const int dy = multiLineMode_ ? fh * Index : 0;
  return CutSkinImage(bitmap_, Bounds(dx, dy, fw, fh));
}

int TPngPictures::FrameWidth() const {
  if (!bitmap_ || bitmap_->Empty() || count_ < 1) return 0;
  return multiLineMode_ ? bitmap_->Width() : bitmap_->Width() / count_;
}

int TPngPictures::FrameHeight() const {
  if (!bitmap_ || bitmap_->Empty() || count_ < 1) return 0;
  return multiLineMode_ ? bitmap_->Height() / count_ : bitmap_->Height();
}
