// The progress bar as a slider: the thumb, dragging, pressing the track with
// its repeat timer, and the keys.
#include <climits>
#include <cmath>

#include "skin/MlSkinProgressBar.h"
#include "skin/MlSkinResManager.h"

namespace {

// Slider arithmetic over a zero span has no answer; the thumb then stays at
// the start.
long double Ratio(long double part, long double whole) { return whole == 0 ? 0 : part / whole; }

}  // namespace

void TMlSkinProgressBar::DrawThumb(TBitmap32* Buffer) {
  TBitmap32* hot = GetSkinBitmap(trackButton_->Hot());
  TBitmap32* normal = GetSkinBitmap(trackButton_->Normal());
  const bool showHot = hover_ && hot;
  if (showHot) {
    thumbWidth_ = static_cast<std::uint16_t>(hot->Width());
    thumbHeight_ = static_cast<std::uint16_t>(hot->Height());
  } else if (normal) {
    thumbWidth_ = static_cast<std::uint16_t>(normal->Width());
    thumbHeight_ = static_cast<std::uint16_t>(normal->Height());
  }
  const auto a = static_cast<int>(
      std::trunc(Ratio(static_cast<long double>(value_) - min_, static_cast<long double>(max_) - min_) * Width()));
  const int top = (Height() - thumbHeight_) / 2;
  TRect r = Rect(a + trackButton_->Offset() - thumbWidth_, top, a + trackButton_->Offset(), top + thumbHeight_);
  if (trackButton_->AlwaysShow() || showHot) {
    if (r.left < 0) r = Rect(0, top, thumbWidth_, r.bottom);
    else if (r.right > Width()) r = Rect(Width() - thumbWidth_, top, Width(), r.bottom);
  }
  thumbRect_ = r;
  if (TBitmap32* picture = showHot ? hot : normal) picture->DrawOnto(Buffer, r.left, r.top);
}

int TMlSkinProgressBar::ValueFromX(int x) const {
  const long double share = Ratio(static_cast<long double>(x) - trackRect_.left - dragOffset_.x, trackRect_.Width());
  // Halves go to the even neighbour.
  const long double v = std::nearbyint(share * (static_cast<long double>(max_) - min_) + min_);
  if (v > max_) return max_;
  if (v < min_) return min_;
  return static_cast<int>(v);
}

void TMlSkinProgressBar::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  TMlSkinCustomControl::MouseDown(b, s, x, y);
  if (!IsDesigning() && CanFocus()) SetFocus();
  if (b == TMouseButton::mbLeft) {
    if (thumbRect_.Contains(x, y)) {
      if (repeating_) StopRepeat();
      SetMouseCapture(true);
      dragging_ = true;
      dragOffset_ = {x - thumbRect_.left - thumbWidth_ / 2, y - thumbRect_.top - thumbHeight_ / 2};
    } else if (trackRect_.Contains(x, y)) {
      TrackPress(x, y);
    }
  }
  Invalidate();
}

void TMlSkinProgressBar::TrackPress(int x, int y) {
  repeatTimer_->SetEnabled(true);
  repeatPoint_ = {x, y};
  // The thumb's left edge where the value puts it.
  const double perValue = static_cast<double>(
      Ratio(static_cast<long double>(Width()) - thumbWidth_, static_cast<long double>(max_) - min_));
  const auto c = static_cast<std::int64_t>(std::trunc((static_cast<long double>(value_) - min_) * perValue));
  if (!repeating_) {
    repeatForward_ = x >= c;
    repeating_ = true;
  }
  if ((x >= c) != repeatForward_) {
    StopRepeat();
    return;
  }
  const int v = ValueFromX(x);
  if (v >= 0 && v != value_) StoreValue(v);
}

void TMlSkinProgressBar::RepeatTick() {
  repeatTimer_->SetInterval(100);
  if (!MouseCapture()) return;
  try {
    MouseDown(TMouseButton::mbLeft, 0, repeatPoint_.x, repeatPoint_.y);
  } catch (...) {
    StopRepeat();
    throw;
  }
}

void TMlSkinProgressBar::StopRepeat() {
  repeatTimer_->SetEnabled(false);
  repeatTimer_->SetInterval(200);
  repeating_ = false;
}

void TMlSkinProgressBar::MouseMove(TShiftState s, int x, int y) {
  TMlSkinCustomControl::MouseMove(s, x, y);
  if (dragging_) {
    const int v = ValueFromX(x);
    if (v != value_) {
      value_ = v;
      DrawThumb(Buffer());
      if (OnChanged) OnChanged(this);
    }
  } else {
    DrawThumb(Buffer());
  }
  Invalidate();
}

void TMlSkinProgressBar::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  TMlSkinCustomControl::MouseUp(b, s, x, y);
  SetValue(value_);
  StopRepeat();
  if (dragging_ && b == TMouseButton::mbLeft) {
    dragging_ = false;
    SetMouseCapture(false);
    DrawThumb(Buffer());
  }
  Invalidate();
}

bool TMlSkinProgressBar::DoKeyDown(WORD& key, TShiftState s) {
  if (TMlSkinCustomControl::DoKeyDown(key, s)) return true;
  int v = value_;
  switch (key) {
    case VK_END: v = max_; break;
    case VK_HOME: v = min_; break;
    case VK_LEFT:
    case VK_DOWN:
    case VK_SUBTRACT:
      if (v > min_) --v;
      break;
    case VK_NEXT:
      if (v > INT_MIN) --v;
      break;
    case VK_UP:
    case VK_RIGHT:
    case VK_ADD:
      if (v < max_) ++v;
      break;
    case VK_PRIOR:
      if (v < INT_MAX) ++v;
      break;
    default: return false;
  }
  SetValue(v);
  return false;
}
