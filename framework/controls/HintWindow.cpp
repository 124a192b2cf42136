#include "framework/controls/HintWindow.h"

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  SetColor(static_cast<TColor>(clInfoBk));
  Font()->SetColor(static_cast<TColor>(clInfoText));
  SetVisible(false);
}

void THintWindow::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.Style = WS_POPUP | WS_BORDER;
  p.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  p.WndParent = nullptr;
  p.WinClassName = "QuelboHint";
}

SIZE THintWindow::MeasureText(const AnsiString& Text) {
  TBitmap scratch;
  scratch.Canvas()->Font()->Assign(Font());
  return scratch.Canvas()->TextExtent(Text);
}

void THintWindow::ActivateHint(const RECT& Rect, const AnsiString& Text) {
  SetCaption(Text);
  SetBounds(Rect.left, Rect.top, Rect.Width(), Rect.Height());
  SetWindowPos(Handle(), HWND_TOP, Rect.left, Rect.top, Rect.Width(), Rect.Height(),
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
}

void THintWindow::Paint() {
  TCanvas* c = Canvas();
  RECT r = GetClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  c->Font()->Assign(Font());
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  r.left += 2;
  r.top += 1;
  c->DrawText(r, Caption(), DT_LEFT | DT_NOPREFIX);
}
