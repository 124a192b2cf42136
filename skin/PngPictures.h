#pragma once
// A picture strip: one skin image holding the frames of a control's states
// side by side (or stacked), cut out at paint time.
#include <memory>

#include "skin/MlSkinImage.h"

class TPngPictures : public TPersistent {
 public:
  TPngPictures() = default;
  // From another strip: Active, Image, Count, Normal, Hot, Pressed, Disable,
  // MultiLineMode, in this order, through the setters.
  void Assign(const TPersistent* Source) override;

  // Active, Count, Disable, Hot and Normal notify even when the value stays;
  // Pressed and MultiLineMode only store; Image notifies when the text changes.
  bool Active() const { return active_; }
  void SetActive(bool v);
  bool MultiLineMode() const { return multiLineMode_; }
  void SetMultiLineMode(bool v) { multiLineMode_ = v; }
  const TMlResID& Image() const { return image_; }
  void SetImage(const TMlResID& v);
  int Normal() const { return normal_; }
  void SetNormal(int v);
  int Hot() const { return hot_; }
  void SetHot(int v);
  int Disable() const { return disable_; }
  void SetDisable(int v);
  int Count() const { return count_; }
  void SetCount(int v);
  int Pressed() const { return pressed_; }
  void SetPressed(int v) { pressed_ = v; }
  const TNotifyEvent& PicturesChanged() const { return picturesChanged_; }
  // Notifies the new handler at once.
  void SetPicturesChanged(TNotifyEvent v);

  // The image the lookup gave for Image (owned by the store), or null.
  TBitmap32* Bitmap() const { return bitmap_; }

  // A new frame, or null for an index outside 0..Count-1 or without image.
  std::unique_ptr<TMlSkinImage> GetFrame(int Index) const;
  std::unique_ptr<TMlSkinImage> GetNormalFrame() const { return GetFrame(normal_); }
  std::unique_ptr<TMlSkinImage> GetHotFrame() const { return GetFrame(hot_); }
  std::unique_ptr<TMlSkinImage> GetPressedFrame() const { return GetFrame(pressed_); }
  // 0 without an image or with a Count below 1.
  int FrameWidth() const;
  int FrameHeight() const;

  void Changed();

 private:
  bool active_ = false;
  bool multiLineMode_ = false;
  TMlResID image_;
  int normal_ = 0, hot_ = 1, disable_ = 0, count_ = 3, pressed_ = 2;
  TNotifyEvent picturesChanged_;
  TBitmap32* bitmap_ = nullptr;
};
