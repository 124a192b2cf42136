#include "graphics/Font.h"

#include "graphics/GdiHandles.h"

TFont::~TFont() { FreeHandle(); }

void TFont::Assign(const TPersistent* Source) {
  auto* f = dynamic_cast<const TFont*>(Source);
  if (!f) return TPersistent::Assign(Source);
  name_ = f->name_;
  height_ = f->height_;
  color_ = f->color_;
  style_ = f->style_;
  charset_ = f->charset_;
  quality_ = f->quality_;
  Changed();
}

#define QUELBO_FONT_SETTER(Setter, field, Type) \
  void TFont::Setter(Type v) {                 \
    if (field == v) return;                    \
    field = v;                                 \
    Changed();                                 \
  }
QUELBO_FONT_SETTER(SetName, name_, const AnsiString&)
QUELBO_FONT_SETTER(SetHeight, height_, int)
QUELBO_FONT_SETTER(SetColor, color_, TColor)
QUELBO_FONT_SETTER(SetStyle, style_, TFontStyles)
QUELBO_FONT_SETTER(SetCharset, charset_, BYTE)
QUELBO_FONT_SETTER(SetQuality, quality_, TFontQuality)
#undef QUELBO_FONT_SETTER

int TFont::Size() const {
  int h = height_ < 0 ? -height_ : height_;
  return (h * 72 + PixelsPerInch / 2) / PixelsPerInch;
}

void TFont::SetSize(int points) { SetHeight(-((points * PixelsPerInch + 36) / 72)); }

LOGFONT TFont::ToLogFont() const {
  LOGFONT lf;
  lf.lfHeight = height_;
  lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
  lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = charset_;
  lf.lfQuality = static_cast<BYTE>(quality_);
  lf.lfFaceName = name_;
  return lf;
}

HFONT TFont::Handle() {
  if (!handle_) handle_ = CreateFontIndirect(ToLogFont());
  return handle_;
}

void TFont::FreeHandle() {
  // A handle still selected somewhere cannot be deleted; the users select it
  // out after each text operation, so this only fails on misuse.
  if (handle_) DeleteObject(AsGdiObject(handle_));
  handle_ = nullptr;
}

void TFont::Changed() {
  FreeHandle();
  if (OnChange) OnChange(this);
}
