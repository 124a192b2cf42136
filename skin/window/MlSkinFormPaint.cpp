// What the skinned form draws: its backgrounds, the caption band and frame
// pieces, the client background and the window region.
#include <algorithm>

#include "core/ScopeGuard.h"
#include "graphics/PictureFilters.h"
#include "skin/MlSkinResManager.h"
#include "skin/window/MlFormBorder.h"
#include "skin/window/GradientFill.h"
#include "skin/window/MlSkinForm.h"
#include "skin/window/MlSkinNCCtrlBase.h"

namespace {

constexpr TColor32 kOuterLine = MakeColor32(0, 0, 0, 128);
constexpr TColor32 kInnerLine = MakeColor32(255, 255, 255, 176);
constexpr TColor32 kCornerShade = MakeColor32(0, 0, 0, 64);

int MonitorWidth(TCustomForm* form) {
  if (form->HandleAllocated())
    if (TMonitor* m = form->Monitor()) return m->Width();
  return Screen ? Screen->Width() : GetSystemMetrics(SM_CXSCREEN);
}

}  // namespace

void TMlSkinForm::ComputeEffectiveColors() {
  const TMlSkinShift& s = SkinShift();
  effTitlerColor_ = s.Any() ? ShiftColor(titlerColor_, s.Hue, s.Saturation, s.Brightness) : titlerColor_;
  effColor_ = s.Any() ? ShiftColor(color_, s.Hue, s.Saturation, s.Brightness) : color_;
}

void TMlSkinForm::BuildBackground() {
  if (style_ == TMlSkinStyle::ssColor) BuildColorBackground();
  else BuildPictureBackground();
}

void TMlSkinForm::BuildColorBackground() {
  if (IsDesigning() || !Form()) return;
  colorBackground_.BeginUpdate();
  ComputeEffectiveColors();
  if (activeGradient_) {
    gradient_.Resize(MonitorWidth(Form()) + 10, std::max(gradientHeight_, 0));
    // One colour per row: the ramp of a one-pixel column, as wide as the screen.
    for (int y = 0; y < gradient_.Height(); ++y) {
      TColor32 c = GradientStep(effTitlerColor_, effColor_, gradientHeight_, y);
      std::fill(gradient_.ScanLine(y), gradient_.ScanLine(y) + gradient_.Width(), c);
    }
  }
  colorBackground_.Resize(W() + 10, H() + 10);
  colorBackground_.Clear(ToColor32(effColor_));
  if (activeGradient_) gradient_.DrawOnto(&colorBackground_, 0, -titleHeight_);
  colorBackground_.EndUpdate();
}

void TMlSkinForm::BuildPictureBackground() {
  if (IsDesigning() || !Form() || customPicture_.empty()) return;
  UpdateBracket<TBitmap32> picture(picture_), background(pictureBackground_);
  if (TBitmap32* found = GetSkinBitmap(customPicture_)) picture_.Assign(found);
  const TMlSkinShift& s = SkinShift();
  if (s.Any()) ShiftBitmapColors(&picture_, s.Hue, s.Saturation, s.Brightness);
  // A tiled border continues into the picture: their tiles line up.
  int ox = 0, oy = 0;
  if (imageBorder_ && imageBorder_->StretchKind() == TMlStretchKind::skTile) {
    ox = framWidth_ - imageBorder_->Size()->Left;
    oy = titleHeight_ - imageBorder_->Size()->Top;
  }
  pictureBackground_.Resize(W() + 10, H() + 10);
  switch (fillStyle_) {
    case TMlFillStyle::mfsTile:
      TileOnto(&picture_, &pictureBackground_, ox, oy);
      break;
    case TMlFillStyle::mfsStretch:
      ScaleToCover(&picture_, &pictureBackground_, 0);
      break;
    case TMlFillStyle::mfsBlur: {
      TBitmap32 faded;
      faded.Assign(&picture_);
      // A picture smaller than two fade bands fades over half its size, so
      // that its top-left part still shows.
      int band = std::min({FadeWidth, picture_.Width() / 2, picture_.Height() / 2});
      FadeEdges(&faded, pictureAverage_, band);
      picture_.Assign(&faded);
      pictureBackground_.Clear(ToColor32(pictureAverage_));
      picture_.DrawOnto(&pictureBackground_, ox, oy);
      break;
    }
  }
}

void TMlSkinForm::PaintTopPiece(TBitmap32& t) {
  const bool framedByBorder = imageBorder_ && !imageBorder_->Transparent();
  if (style_ == TMlSkinStyle::ssPicture && framedByBorder) {
    // The border windows are the whole frame.
    flatFrame_ = true;
    hitTestWidth_ = framWidth_ = titleHeight_ = 0;
    roundWindow_ = false;
  }
  t.Resize(W(), titleHeight_);
  if (style_ == TMlSkinStyle::ssColor) {
    if (activeGradient_ && titleHeight_ > 0) {
      t.Clear(ToColor32(effColor_));
      // A gradient of no rows is no gradient, not one row of caption colour.
      if (gradientHeight_ > 0) GradientFill(t, effTitlerColor_, effColor_, false, Rect(0, 0, W(), gradientHeight_));
    } else {
      t.Clear(ToColor32(effTitlerColor_));
    }
  } else if (keepTitlerColor_) {
    t.Clear(ToColor32(titlerColor_));
  } else {
    pictureBackground_.DrawOnto(&t, 0, 0);
  }
  if (!t.Empty() && !(style_ == TMlSkinStyle::ssPicture && framedByBorder))
    for (TMlSkinNCCtrlBase* item : std::vector<TMlSkinNCCtrlBase*>(items_))
      if (item->Visible()) item->Paint(t);
  if (style_ == TMlSkinStyle::ssPicture || !keepTitlerColor_) PaintFrameLines(t, FramePiece::Top);
}

void TMlSkinForm::PaintNonClient() {
  if (NoBorder() || !Form()->HandleAllocated()) return;
  HWND h = Form()->Handle();
  HDC dc = GetWindowDC(h);
  if (!dc) return;
  ScopeExit release([&] { ReleaseDC(h, dc); });
  SavedDC saved(dc);
  if (mainMenu_.MainMenu() && !mainMenu_.Built()) mainMenu_.CreateButtons(Form());
  TBitmap32& t = piece_;
  PaintTopPiece(t);
  t.BlitToDC(dc, 0, 0);
  const int w = W(), hh = H(), f = framWidth_, th = titleHeight_;
  t.Resize(f, hh - f);
  const bool color = style_ == TMlSkinStyle::ssColor;
  TBitmap32& bg = color ? colorBackground_ : pictureBackground_;
  if (color) bg.DrawOnto(&t, 0, 0);
  else bg.BlitToDC(t.DeviceContext(), 0, -th);
  PaintFrameLines(t, FramePiece::Left);
  t.BlitToDC(dc, 0, th);
  if (color) bg.DrawOnto(&t, f - bg.Width(), 0);
  else bg.DrawOnto(&t, f - w, -th);
  PaintFrameLines(t, FramePiece::Right);
  t.BlitToDC(dc, w - f, th);
  t.Resize(w, f);
  if (color) bg.DrawOnto(&t, 0, th + f - hh);
  else bg.BlitToDC(t.DeviceContext(), 0, f - hh);
  PaintFrameLines(t, FramePiece::Bottom);
  t.BlitToDC(dc, 0, hh - f);
}

void TMlSkinForm::PaintCaptionBand() {
  if (NoBorder() || !Form()->HandleAllocated()) return;
  HWND h = Form()->Handle();
  HDC dc = GetWindowDC(h);
  if (!dc) return;
  PaintTopPiece(piece_);
  piece_.BlitToDC(dc, 0, 0);
  ReleaseDC(h, dc);
}

void TMlSkinForm::PaintFrameLines(TBitmap32& p, FramePiece kind) {
  if (flatFrame_ || FormIsMaximized() || framWidth_ <= 0) return;
  const TColor32 O = keepFrameColor_ ? ToColor32(frameColor_) : kOuterLine, I = kInnerLine;
  const int h = p.Height(), r = p.Width() - 1, b = h - 1;
  auto line = [&](int x1, int y1, int x2, int y2, TColor32 c) { p.DrawLine(x1, y1, x2, y2, c, false); };
  switch (kind) {
    case FramePiece::Top:
      line(0, 0, r, 0, O);
      line(0, 0, 0, h, O);
      line(r, 0, r, h, O);
      if (doubleFrame_) {
        line(1, 1, r - 1, 1, I);
        line(1, 1, 1, h, I);
        line(r - 1, 1, r - 1, h, I);
      }
      if (roundWindow_) {
        p.BlendPixelClipped(1, 1, O);
        p.BlendPixelClipped(r - 1, 1, O);
        if (framWidth_ > 1 && doubleFrame_) {
          p.BlendPixelClipped(2, 2, I);
          p.BlendPixelClipped(r - 2, 2, I);
        }
      }
      break;
    case FramePiece::Left:
      line(0, 0, 0, b, O);
      if (doubleFrame_) line(1, 0, 1, b, I);
      break;
    case FramePiece::Right:
      line(r, 0, r, b, O);
      if (doubleFrame_) line(r - 1, 0, r - 1, b, I);
      break;
    case FramePiece::Bottom:
      line(0, b, r, b, O);
      line(0, b - 1, 0, 2, O);
      line(r, b - 1, r, 2, O);
      if (doubleFrame_) line(1, b - 1, r - 1, b - 1, I);
      if (roundWindow_) {
        p.BlendPixelClipped(1, b - 1, O);
        p.BlendPixelClipped(r - 1, b - 1, O);
      }
      break;
  }
}

void TMlSkinForm::PaintClientBackground() {
  TCustomForm* form = Form();
  const int w = W(), h = H();
  TBitmap32* bg;
  POINT at{0, 0};
  if (style_ == TMlSkinStyle::ssColor) {
    if (gradient_.Width() < MonitorWidth(form)) BuildColorBackground();
    if (colorBackground_.Width() < w || colorBackground_.Height() < h) {
      colorBackground_.Resize(w + 10, h + 10);
      colorBackground_.Clear(ToColor32(effColor_));
      if (activeGradient_) gradient_.DrawOnto(&colorBackground_, -framWidth_, -titleHeight_);
    }
    bg = &colorBackground_;
  } else {
    if (pictureBackground_.Width() < w || pictureBackground_.Height() < h || fillStyle_ == TMlFillStyle::mfsStretch) {
      pictureBackground_.Resize(w + 10, h + 10);
      switch (fillStyle_) {
        case TMlFillStyle::mfsBlur:
          pictureBackground_.Clear(ToColor32(pictureAverage_));
          picture_.DrawOnto(&pictureBackground_, 0, 0);
          break;
        case TMlFillStyle::mfsTile: TileOnto(&picture_, &pictureBackground_, 0, 0); break;
        case TMlFillStyle::mfsStretch: ScaleToCover(&picture_, &pictureBackground_, 0); break;
      }
    }
    bg = &pictureBackground_;
    at = {-framWidth_, -titleHeight_};
  }
  HDC dc = GetDC(form->Handle());
  if (!dc) return;
  if (roundWindow_ && framWidth_ == 1 && !flatFrame_ && !FormIsMaximized()) {
    // The bottom corners of the client area darken the rounded frame's inside.
    TBitmap32 copy;
    copy.Assign(bg);
    if (style_ == TMlSkinStyle::ssColor) {
      copy.BlendPixelClipped(0, h - titleHeight_ - 2, kCornerShade);
      copy.BlendPixelClipped(w - 3, h - titleHeight_ - 2, kCornerShade);
    } else {
      copy.BlendPixelClipped(1, h - 2, kCornerShade);
      copy.BlendPixelClipped(w - 2, h - 2, kCornerShade);
    }
    copy.BlitToDC(dc, at.x, at.y);
  } else {
    bg->BlitToDC(dc, at.x, at.y);
  }
  ReleaseDC(form->Handle(), dc);
}

void TMlSkinForm::UpdateRegion() {
  TCustomForm* form = Form();
  if (inUpdateRegion_ || IsDesigning() || !form || !form->HandleAllocated()) return;
  const bool maximized = FormIsMaximized();
  RegionKey key{W(), H(), maximized, roundWindow_};
  // Setting the region repaints the frame, which comes back here: only a new
  // shape is worth setting.
  if (key == regionKey_) return;
  inUpdateRegion_ = true;
  regionKey_ = key;
  // Region rectangles leave out their right and bottom edges, so the window's
  // own bounds give exactly its pixels.
  HRGN rgn = roundWindow_ && !maximized ? CreateRoundRectRgn(0, 0, key.w, key.h, 4, 4)
                                        : CreateRectRgn(0, 0, key.w + 1, key.h + 1);
  SetWindowRgn(form->Handle(), rgn, TRUE);
  inUpdateRegion_ = false;
}
