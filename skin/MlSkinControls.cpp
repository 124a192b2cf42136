#include "skin/MlSkinControls.h"

namespace {
TColor ParentColorOf(TControl* c) { return c->Parent() ? c->Parent()->Color() : clBtnFace; }
}  // namespace

TMlSkinLabel::TMlSkinLabel(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(0, 0, 65, 17); }

void TMlSkinLabel::Dispatch(TMessage& m) {
  TCustomControl::Dispatch(m);
  if (m.Msg == CM_TEXTCHANGED) Invalidate();
  if (m.Msg == WM_MOVE && autoInvalidate_) Invalidate();
}

void TMlSkinLabel::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(ParentColorOf(this));
  c->FillRect(GetClientRect());
  c->Font()->Assign(Font());
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  RECT r = GetClientRect();
  c->DrawText(r, Caption(), DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
}

TMlSkinProgressBar::TMlSkinProgressBar(TComponent* AOwner) : TCustomControl(AOwner) { SetBounds(0, 0, 150, 17); }

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
  value_ = v;
  Invalidate();
  if (OnChanged) OnChanged(this);
}

void TMlSkinProgressBar::SetBar_Progress(const AnsiString& s) {
  if (s == barProgress_) return;
  barProgress_ = s;
  Invalidate();
}

void TMlSkinProgressBar::SetBar_Background(const AnsiString& s) {
  if (s == barBackground_) return;
  barBackground_ = s;
  Invalidate();
}

void TMlSkinProgressBar::Paint() {
  TCanvas* c = Canvas();
  RECT all = GetClientRect();
  c->Brush()->SetColor(ParentColorOf(this));
  c->FillRect(all);
  RECT track = Rect(0, 2, all.right, all.bottom - 2);
  c->Brush()->SetColor(clWhite);
  c->FillRect(track);
  long long range = static_cast<long long>(max_) - min_;
  if (range == 0) range = 1;
  long long fill = (static_cast<long long>(value_) - min_) * Width() / range;
  if (fill > 0) {
    c->Brush()->SetColor(RGB(0, 160, 230));
    c->FillRect(Rect(0, track.top, static_cast<int>(std::min<long long>(fill, Width())), track.bottom));
  }
  c->Brush()->SetColor(clGray);
  c->FrameRect(track);
}

TMlSkinPanel::TMlSkinPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle(ControlStyle() | csAcceptsControls);
  SetBounds(0, 0, 185, 41);
}

void TMlSkinPanel::Paint() {
  Canvas()->Brush()->SetColor(ParentColorOf(this));
  Canvas()->FillRect(GetClientRect());
}

TImageEx::TImageEx(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 105, 105);
  picture_.OnChange = [this](TObject*) { Invalidate(); };
}

void TImageEx::Paint() {
  if (picture_.Empty()) return;
  Canvas()->Draw((Width() - picture_.Width()) / 2, (Height() - picture_.Height()) / 2, &picture_);
}
