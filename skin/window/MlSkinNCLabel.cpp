#include "skin/window/MlSkinNCLabel.h"

#include "framework/controls/Forms.h"
#include "platform/CodePage.h"
#include "skin/GlowText.h"

TMlSkinNCLabel::TMlSkinNCLabel(TComponent* AOwner) : TMlSkinNCCtrlBase(AOwner) {
  auto* form = dynamic_cast<TCustomForm*>(AOwner);
  caption_ = form ? form->Caption() : AnsiString("NCLabel");
  font_.OnChange = [this](TObject*) { RepaintHost(); };
  Pos()->SetXValue(5);
  Pos()->SetYValue(5);
}

void TMlSkinNCLabel::SetCaption(const AnsiString& v) {
  caption_ = v;
  RepaintHost();
}

void TMlSkinNCLabel::SetEllipsisPosition(TEllipsisPosition v) {
  if (v == ellipsis_) return;
  ellipsis_ = v;
  RepaintHost();
}

void TMlSkinNCLabel::LMouseDown() {
  if (captureMouse_ && Host()) {
    // The move runs inside this call; the event comes when it has ended.
    ReleaseCapture();
    SendMessage(Host()->Handle(), WM_SYSCOMMAND, SC_MOVE + HTCAPTION, 0);
  }
  TMlSkinNCCtrlBase::LMouseDown();
}

void TMlSkinNCLabel::Paint(TBitmap32& Bitmap) {
  TMlSkinNCCtrlBase::Paint(Bitmap);
  Bitmap.SetFont(font_);
  Bitmap.Canvas().Font()->Assign(&font_);
  HDC dc = Bitmap.DeviceContext();
  if (!dc) return;
  const std::u16string wide = platform::Cp936ToUtf16(caption_);
  HGDIOBJ old = SelectObject(dc, font_.Handle());
  textSize_ = {MeasureTextWidth(dc, wide), MeasureTextHeight(dc, wide)};
  SelectObject(dc, old);
  const int l = Pos()->Left(), t = Pos()->Top();
  TRect r = Rect(l, t, l + textSize_.cx, t + textSize_.cy);
  UINT flags = 0;
  if (maxWidth_ != 0) {
    flags = EllipsisFlags(ellipsis_);
    r.right = l + maxWidth_;
  }
  if (light_.Active())
    DrawGlowText(&Bitmap.Canvas(), r, caption_, light_.BlurRadius(), light_.Color(), maxWidth_ ? flags : DT_VCENTER);
  const TColor32 color = ToColor32(font_.Color());
  if (maxWidth_ != 0) {
    if (renderText_) Bitmap.SmoothTextInRect(r, flags, color, caption_);
    else Bitmap.TextInRect(r, flags, caption_);
  } else if (renderText_) {
    Bitmap.SmoothText(l, t, caption_, 0, color);
  } else {
    Bitmap.TextAt(l, t, caption_);
  }
}
