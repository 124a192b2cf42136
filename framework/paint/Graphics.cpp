// Colours, fonts, brushes, pens and the canvas.
#include "framework/paint/Graphics.h"

COLORREF ColorToRGB(TColor c) {
  if (c < 0) return GetSysColor(c & 0xFF);
  return static_cast<COLORREF>(c) & 0xFFFFFF;
}

// ---- TFont ----

TFont::TFont() = default;
TFont::~TFont() {
  if (handle_) DeleteObject(handle_);
}

void TFont::Assign(const TPersistent* Source) {
  if (auto* f = dynamic_cast<const TFont*>(Source)) {
    name_ = f->name_;
    height_ = f->height_;
    color_ = f->color_;
    style_ = f->style_;
    charset_ = f->charset_;
    quality_ = f->quality_;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TFont::Changed() {
  if (handle_) {
    // A DC may still hold the old handle; it then stays valid until released.
    DeleteObject(handle_);
    handle_ = nullptr;
  }
  if (OnChange) OnChange(this);
}

void TFont::SetName(const AnsiString& v) {
  if (v.empty() || v == name_) return;
  name_ = v;
  Changed();
}
void TFont::SetHeight(int v) {
  if (v == height_) return;
  height_ = v;
  Changed();
}
int TFont::Size() const { return -MulDiv(height_, 72, ppi_); }
void TFont::SetSize(int points) { SetHeight(-MulDiv(points, ppi_, 72)); }
void TFont::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  if (OnChange) OnChange(this);
}
void TFont::SetStyle(TFontStyles v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}
void TFont::SetCharset(BYTE v) {
  if (v == charset_) return;
  charset_ = v;
  Changed();
}
void TFont::SetQuality(TFontQuality v) {
  if (v == quality_) return;
  quality_ = v;
  Changed();
}

HFONT TFont::Handle() {
  if (!handle_) {
    LOGFONT lf;
    lf.lfHeight = height_;
    lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
    lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
    lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
    lf.lfCharSet = charset_;
    lf.lfQuality = static_cast<BYTE>(quality_);
    lf.lfFaceName = name_;
    handle_ = CreateFontIndirect(lf);
  }
  return handle_;
}

// ---- TBrush / TPen ----

TBrush::~TBrush() {
  if (handle_) DeleteObject(handle_);
}
void TBrush::Assign(const TPersistent* Source) {
  if (auto* b = dynamic_cast<const TBrush*>(Source)) {
    color_ = b->color_;
    style_ = b->style_;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}
void TBrush::Changed() {
  if (handle_) {
    DeleteObject(handle_);
    handle_ = nullptr;
  }
  if (OnChange) OnChange(this);
}
void TBrush::SetColor(TColor c) {
  // Giving a clear brush a colour makes it solid, even the colour it had.
  if (c == color_ && style_ == TBrushStyle::bsSolid) return;
  color_ = c;
  style_ = TBrushStyle::bsSolid;
  Changed();
}
void TBrush::SetStyle(TBrushStyle s) {
  if (s == style_) return;
  style_ = s;
  Changed();
}
HBRUSH TBrush::Handle() {
  if (style_ == TBrushStyle::bsClear) return GetStockBrush(NULL_BRUSH);
  if (!handle_) handle_ = CreateSolidBrush(ColorToRGB(color_));
  return handle_;
}

TPen::~TPen() {
  if (handle_) DeleteObject(handle_);
}
void TPen::Assign(const TPersistent* Source) {
  if (auto* p = dynamic_cast<const TPen*>(Source)) {
    color_ = p->color_;
    width_ = p->width_;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}
void TPen::Changed() {
  if (handle_) {
    DeleteObject(handle_);
    handle_ = nullptr;
  }
  if (OnChange) OnChange(this);
}
void TPen::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  Changed();
}
void TPen::SetWidth(int w) {
  if (w == width_) return;
  width_ = w;
  Changed();
}
HPEN TPen::Handle() {
  if (!handle_) handle_ = CreatePen(PS_SOLID, width_, ColorToRGB(color_));
  return handle_;
}

// ---- TCanvas ----

TCanvas::TCanvas() : font_(new TFont), brush_(new TBrush), pen_(new TPen) {}
TCanvas::~TCanvas() = default;

HDC TCanvas::Handle() {
  if (!dc_) CreateHandle();
  return dc_;
}

void TCanvas::SetHandle(HDC dc) { dc_ = dc; }

void TCanvas::Select() {
  HDC dc = Handle();
  if (!dc) return;
  SelectObject(dc, font_->Handle());
  SelectObject(dc, brush_->Handle());
  SelectObject(dc, pen_->Handle());
  SetTextColor(dc, ColorToRGB(font_->Color()));
  SetBkColor(dc, ColorToRGB(brush_->Color()));
  SetBkMode(dc, brush_->Style() == TBrushStyle::bsClear ? TRANSPARENT : OPAQUE);
}

void TCanvas::FillRect(const RECT& r) {
  Select();
  if (dc_) ::FillRect(dc_, r, brush_->Handle());
}
void TCanvas::FrameRect(const RECT& r) {
  Select();
  if (dc_) ::FrameRect(dc_, r, brush_->Handle());
}
void TCanvas::Rectangle(const RECT& r) {
  Select();
  if (!dc_) return;
  ::FillRect(dc_, r, brush_->Handle());
  HBRUSH pb = CreateSolidBrush(ColorToRGB(pen_->Color()));
  ::FrameRect(dc_, r, pb);
  DeleteObject(pb);
}
void TCanvas::MoveTo(int x, int y) {
  Select();
  if (dc_) MoveToEx(dc_, x, y, nullptr);
}
void TCanvas::LineTo(int x, int y) {
  Select();
  if (dc_) ::LineTo(dc_, x, y);
}
void TCanvas::TextOut(int x, int y, const AnsiString& text) {
  Select();
  if (dc_) TextOutA(dc_, x, y, text);
}
void TCanvas::TextRect(const RECT& r, int x, int y, const AnsiString& text) {
  Select();
  if (!dc_) return;
  SavedDC saved(dc_);
  IntersectClipRect(dc_, r.left, r.top, r.right, r.bottom);
  if (brush_->Style() != TBrushStyle::bsClear) ::FillRect(dc_, r, brush_->Handle());
  SetBkMode(dc_, TRANSPARENT);
  TextOutA(dc_, x, y, text);
}
int TCanvas::DrawText(RECT& r, const AnsiString& text, UINT flags) {
  Select();
  return dc_ ? DrawTextA(dc_, text, &r, flags) : 0;
}

SIZE TCanvas::TextExtent(const AnsiString& text) {
  SIZE s{};
  Select();
  if (dc_) GetTextExtentPoint32A(dc_, text, &s);
  return s;
}
void TCanvas::Draw(int x, int y, TGraphic* g) {
  if (g && !g->Empty()) g->Draw(this, Bounds(x, y, g->Width(), g->Height()));
}
void TCanvas::StretchDraw(const RECT& r, TGraphic* g) {
  if (g && !g->Empty()) g->Draw(this, r);
}
void TCanvas::CopyRect(const RECT& dst, TCanvas* src, const RECT& s) {
  if (!src || !Handle() || !src->Handle()) return;
  StretchBlt(dc_, dst.left, dst.top, dst.Width(), dst.Height(), src->Handle(), s.left, s.top, s.Width(), s.Height(),
             SRCCOPY);
}
COLORREF TCanvas::Pixel(int x, int y) { return Handle() ? GetPixel(dc_, x, y) : CLR_INVALID; }
void TCanvas::SetPixel(int x, int y, TColor c) {
  if (Handle()) ::SetPixel(dc_, x, y, ColorToRGB(c));
}
RECT TCanvas::ClipRect() {
  RECT r{};
  if (Handle()) GetClipBox(dc_, &r);
  return r;
}
