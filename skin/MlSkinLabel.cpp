#include "skin/MlSkinLabel.h"

#include "core/ScopeGuard.h"
#include "platform/CodePage.h"
#include "skin/GlowText.h"

TMlSkinLabel::TMlSkinLabel(TComponent* AOwner) : TMlSkinCustomPanel(AOwner) {
  SetControlStyle(csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks | csReplicatable);
  SetAutoInvalidate(true);
  SetBorderSides(0);
  SetAlpha(0);
  SetBounds(Left(), Top(), 60, 17);
}

void TMlSkinLabel::SetEllipsisPosition(TEllipsisPosition v) {
  if (v == ellipsis_) return;
  ellipsis_ = v;
  autoSize_ = false;
  Invalidate();
}

// A new alignment repaints the whole label; its window stays.
void TMlSkinLabel::SetAlignmentHorizontal(TAlignment v) {
  if (v == alignH_) return;
  alignH_ = v;
  Invalidate();
}

void TMlSkinLabel::SetAlignmentVertical(TVerticalAlignment v) {
  if (v == alignV_) return;
  alignV_ = v;
  Invalidate();
}

void TMlSkinLabel::SetAutoSize(bool v) {
  autoSize_ = v;
  if (v) AdjustBounds();
}

void TMlSkinLabel::GiveBufferFont() {
  Buffer()->SetFont(*Font());
  Buffer()->Canvas().Font()->Assign(Font());
}

template <typename F>
auto TMlSkinLabel::WithFont(F f) {
  TBitmap32* b = Buffer();
  // An empty buffer has no device context; a scratch bitmap measures then.
  TBitmap32 scratch;
  HDC dc = b->DeviceContext();
  if (!dc) {
    scratch.Resize(1, 1);
    dc = scratch.DeviceContext();
  }
  HGDIOBJ old = dc ? SelectObject(dc, Font()->Handle()) : nullptr;
  ScopeExit back([&] {
    if (dc) SelectObject(dc, old);
  });
  return f(dc);
}

void TMlSkinLabel::AdjustBounds() {
  if (IsLoading() || !autoSize_) return;
  GiveBufferFont();
  const std::u16string text = platform::Cp936ToUtf16(Caption());
  const SIZE size = WithFont([&](HDC dc) {
    return dc ? SIZE{MeasureTextWidth(dc, text), MeasureTextHeight(dc, text)} : SIZE{Width(), Height()};
  });
  SetBounds(Left(), Top(), size.cx, size.cy);
}

UINT TMlSkinLabel::TextFlags() const {
  UINT flags = 0;
  switch (alignH_) {
    case TAlignment::taLeftJustify: flags |= DT_LEFT; break;
    case TAlignment::taRightJustify: flags |= DT_RIGHT; break;
    case TAlignment::taCenter: flags |= DT_CENTER; break;
  }
  switch (alignV_) {
    case TVerticalAlignment::taAlignTop: break;
    case TVerticalAlignment::taAlignBottom: flags |= DT_BOTTOM | DT_SINGLELINE; break;
    case TVerticalAlignment::taVerticalCenter: flags |= DT_SINGLELINE | DT_VCENTER; break;
  }
  return flags;
}

void TMlSkinLabel::DrawControl(TBitmap32* Buffer) {
  TMlSkinCustomPanel::DrawControl(Buffer);
  TRect r = Rect(0, 0, Width(), Height());
  UINT flags = TextFlags();
  const AnsiString caption = Caption();
  GiveBufferFont();
  if (wordWap_) {
    // A wrapped text is placed by the height of its unwrapped lines and
    // clipped to that band.
    const std::u16string text = platform::Cp936ToUtf16(caption);
    const int h = WithFont([&](HDC dc) { return dc ? MeasureTextHeight(dc, text) : 0; });
    if (alignV_ == TVerticalAlignment::taVerticalCenter) {
      flags &= ~DT_SINGLELINE;
      r.top = (Height() - h) / 2;
      r.bottom = r.top + h;
    } else if (alignV_ == TVerticalAlignment::taAlignBottom) {
      flags &= ~DT_SINGLELINE;
      r.top = r.bottom - h;
    }
    flags |= DT_WORDBREAK;
  }
  flags |= EllipsisFlags(ellipsis_);
  if (light_.Active()) DrawGlowText(&Buffer->Canvas(), r, caption, light_.BlurRadius(), light_.Color(), flags);
  Buffer->TextInRect(r, flags, caption);
}

void TMlSkinLabel::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED:
      if (autoSize_) AdjustBounds();
      Invalidate();
      return;
    case CM_FONTCHANGED:
      // At run time a new font waits for the next repaint.
      if (IsDesigning()) {
        if (autoSize_) AdjustBounds();
        Invalidate();
      }
      return;
    default: TMlSkinCustomPanel::Dispatch(m);
  }
}

void TMlSkinLabel::Loaded() {
  TMlSkinCustomPanel::Loaded();
  AdjustBounds();
}
