#include "skin/MlSkinProgressBar.h"

#include <cmath>

#include "core/ScopeGuard.h"
#include "graphics/PictureFilters.h"
#include "skin/GlowText.h"
#include "skin/MlSkinResManager.h"

void TMlPBTrackButton::Assign(const TPersistent* Source) {
  if (auto* s = dynamic_cast<const TMlPBTrackButton*>(Source)) {
    SetNormal(s->normal_);
    SetHot(s->hot_);
    SetVisible(s->visible_);
    offset_ = s->offset_;
    alwaysShow_ = s->alwaysShow_;
    OnChanged = s->OnChanged;
    return;
  }
  TPersistent::Assign(Source);
}

void TMlPBTrackButton::SetNormal(const TMlResID& v) {
  if (v == normal_) return;
  normal_ = v;
  Changed();
}

void TMlPBTrackButton::SetHot(const TMlResID& v) {
  if (v == hot_) return;
  hot_ = v;
  Changed();
}

void TMlPBTrackButton::SetVisible(bool v) {
  visible_ = v;
  Changed();
}

void TMlPBTrackButton::Changed() {
  if (OnChanged) OnChanged(this);
}

std::unique_ptr<TMlSkinImage> ThreePartBar(TBitmap32* S, int Width, int Cap) {
  auto bar = std::make_unique<TMlSkinImage>();
  S->CopyPropertiesTo(bar.get());
  const int h = S->Height();
  bar->Resize(std::max(Width, 0), h);
  bar->Clear(0);
  if (Width <= 0) return bar;
  const int third = S->Width() / 3;
  const bool ownCaps = Cap > 0 && Cap < third;
  const int lw = ownCaps ? Cap : third, rw = lw, mw = ownCaps ? S->Width() - 2 * Cap : third;
  std::unique_ptr<TMlSkinImage> left = CutSkinImage(S, Rect(0, 0, lw, h));
  std::unique_ptr<TMlSkinImage> middle = CutSkinImage(S, Rect(lw, 0, lw + mw, h));
  std::unique_ptr<TMlSkinImage> right = CutSkinImage(S, Rect(lw + mw, 0, lw + mw + rw, h));
  if (lw >= Width) {
    left->DrawOnto(bar.get(), Rect(0, 0, lw, h));
    return bar;
  }
  HDC dc = bar->DeviceContext();
  // Middle and right cap come only once the fill has room for both caps: a
  // narrower fill would stretch the middle over a negative width.
  const bool whole = Width >= lw + rw && (Cap == 0 || Cap + 3 < Width);
  if (whole) middle->StretchToDC(dc, Rect(lw, 0, Width - rw, h), middle->BoundsRect());
  left->StretchToDC(dc, Rect(0, 0, lw, h), left->BoundsRect());
  if (whole) right->StretchToDC(dc, Rect(Width - rw, 0, Width, h), right->BoundsRect());
  return bar;
}

TMlSkinProgressBar::TMlSkinProgressBar(TComponent* AOwner)
    : TMlSkinCustomControl(AOwner),
      caption_(std::make_unique<TMlCaption>()),
      trackButton_(std::make_unique<TMlPBTrackButton>()) {
  caption_->OnChanged = [this](TObject*) { Invalidate(); };
  repeatTimer_ = new TTimer(this);
  repeatTimer_->SetEnabled(false);
  repeatTimer_->SetInterval(200);
  repeatTimer_->SetOnTimer([this](TObject*) { RepeatTick(); });
  SetBounds(Left(), Top(), 150, 17);
}

TMlSkinProgressBar::~TMlSkinProgressBar() = default;

void TMlSkinProgressBar::SetCaption(const TMlCaption* v) {
  caption_->Assign(v);
  Invalidate();
}

void TMlSkinProgressBar::SetBar_Progress(const TMlResID& v) {
  if (v == barProgress_) return;
  barProgress_ = v;
  Invalidate();
}

void TMlSkinProgressBar::SetBar_Background(const TMlResID& v) {
  if (v == barBackground_) return;
  barBackground_ = v;
  Invalidate();
}

void TMlSkinProgressBar::SetBarLeftRightSize(int v) {
  barLeftRightSize_ = v;
  Invalidate();
}

void TMlSkinProgressBar::SetMinValue(int v) {
  min_ = v;
  if (value_ < min_) value_ = min_;
  Invalidate();
}

void TMlSkinProgressBar::SetMaxValue(int v) {
  max_ = v;
  if (value_ > max_) value_ = max_;
  Invalidate();
}

void TMlSkinProgressBar::SetValue(int v) {
  if (v > max_) v = max_;
  else if (v < min_) v = min_;
  if (v == value_) return;
  StoreValue(v);
}

void TMlSkinProgressBar::StoreValue(int v) {
  value_ = v;
  Invalidate();
  if (OnChanged) OnChanged(this);
}

std::int64_t TMlSkinProgressBar::FillWidth() const {
  const long double range = static_cast<long double>(max_) - min_;
  const long double share = (static_cast<long double>(value_) - min_) / (range == 0 ? 1 : range);
  const auto fill = static_cast<std::int64_t>(std::trunc(share * Width()));
  return fill < 0 ? 0 : fill;
}

void TMlSkinProgressBar::DrawControl(TBitmap32* Buffer) {
  if (Width() < 30) return;
  UpdateBracket<TBitmap32> update(*Buffer);
  TBitmap32* track = GetSkinBitmap(barBackground_);
  if (!track) return;
  {
    TMlSkinImage stretched;
    track->CopyPropertiesTo(&stretched);
    stretched.Resize(Width(), track->Height());
    NineSliceOnto(track, &stretched, true);
    stretched.DrawOnto(Buffer, 0, (Height() - track->Height()) / 2);
  }
  if (TBitmap32* fill = GetSkinBitmap(barProgress_)) {
    const int w = static_cast<int>(std::min<std::int64_t>(FillWidth(), Width()));
    ThreePartBar(fill, w, barLeftRightSize_)->DrawOnto(Buffer, 0, (Height() - fill->Height()) / 2);
  }
  if (trackButton_->Visible()) {
    trackRect_ = Rect(1, 1, Width() - 1, Height() - 1);
    DrawThumb(Buffer);
  }
  DrawCaption(Buffer);
}

void TMlSkinProgressBar::DrawCaption(TBitmap32* Buffer) {
  if (!caption_->Visible() || caption_->Text().empty()) return;
  TRect r = OffsetRect(Rect(0, 0, Width(), Height()), caption_->OffsetX(), caption_->OffsetY());
  Buffer->Canvas().Font()->Assign(caption_->Font());
  Buffer->SetFont(*caption_->Font());
  constexpr UINT kFlags = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  const TMlLightClass* light = caption_->Light();
  if (light->Active())
    DrawGlowText(&Buffer->Canvas(), r, caption_->Text(), light->BlurRadius(), light->Color(), kFlags);
  Buffer->TextInRect(r, kFlags, caption_->Text());
}

void TMlSkinProgressBar::WndProc(TMessage& m) {
  // Without its thumb the bar is a display: pointer and keys pass it by.
  const bool input = (m.Msg >= WM_MOUSEMOVE && m.Msg <= WM_MBUTTONDBLCLK) || m.Msg == WM_KEYDOWN;
  if (input && !trackButton_->Visible()) return;
  TMlSkinCustomControl::WndProc(m);
}

void TMlSkinProgressBar::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS; return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      TMlSkinCustomControl::Dispatch(m);
      hover_ = m.Msg == CM_MOUSEENTER;
      Invalidate();
      return;
    default: TMlSkinCustomControl::Dispatch(m);
  }
}
