#pragma once
// Device contexts over 32-bit surfaces, regions, brushes, fonts and text: the
// painting interface that windows and bitmaps draw through.
//
// Pixels are 32-bit words $AARRGGBB, rows top-down. As on the platform the
// program was made for, primitive drawing (fills, lines, text, SetPixel)
// writes alpha 0 into the pixels it touches; block and stretch copies between
// 32-bit surfaces copy all four bytes; AlphaBlend blends.
#include <cstdint>
#include <vector>

#include <memory>

#include "core/Colors.h"
#include "core/Types.h"
#include "framework/paint/Region.h"

struct DeviceContext;
struct GdiObject;
using HDC = DeviceContext*;
using HGDIOBJ = GdiObject*;
struct BitmapObject;
struct BrushObject;
struct PenObject;
struct FontObject;
struct RegionObject;
using HBITMAP = BitmapObject*;
using HBRUSH = BrushObject*;
using HPEN = PenObject*;
using HFONT = FontObject*;
using HRGN = RegionObject*;
struct FontFace;  // the rasteriser's face, kept by the text code

// ---- Surfaces and bitmaps ---------------------------------------------------

// A 32-bit pixel surface. Stride is in pixels.
struct Surface32 {
  std::uint32_t* bits = nullptr;
  int width = 0, height = 0, stride = 0;
  std::uint32_t* Row(int y) const { return bits + static_cast<std::ptrdiff_t>(y) * stride; }
};

// A top-down 32 bits-per-pixel DIB section, zero-filled. Returns nullptr when
// the size is not positive or the memory cannot be had.
HBITMAP CreateDIBSection32(int width, int height, std::uint32_t** bits);
// A bitmap in the format of the screen (here also 32-bit, zero-filled).
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
Surface32 GetBitmapSurface(HBITMAP bmp);

// ---- Device contexts --------------------------------------------------------

// A memory DC with a 1 x 1 default bitmap selected.
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj);
BOOL DeleteObject(HGDIOBJ obj);
// The surface a DC draws on (the selected bitmap or the window surface).
Surface32 GetDCSurface(HDC hdc);

int SaveDC(HDC hdc);
BOOL RestoreDC(HDC hdc, int saved);  // negative: relative to the latest save
// Saves a DC's state and restores it when the scope ends, however it ends.
class SavedDC {
 public:
  explicit SavedDC(HDC hdc) : hdc_(hdc), saved_(SaveDC(hdc)) {}
  ~SavedDC() { RestoreDC(hdc_, saved_); }
  SavedDC(const SavedDC&) = delete;
  SavedDC& operator=(const SavedDC&) = delete;

 private:
  HDC hdc_;
  int saved_;
};
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* old);
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* old);
BOOL GetViewportOrgEx(HDC hdc, POINT* p);

// Clipping. Rectangles are in logical coordinates (the viewport origin applies).
enum : int { ERROR_REGION = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
int IntersectClipRect(HDC hdc, int l, int t, int r, int b);
int ExcludeClipRect(HDC hdc, int l, int t, int r, int b);
// The region is in device coordinates; nullptr removes the application clip.
int SelectClipRgn(HDC hdc, HRGN rgn);
int GetClipBox(HDC hdc, RECT* r);

// ---- Regions ----------------------------------------------------------------

enum : int { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
HRGN CreateRectRgn(int l, int t, int r, int b);
HRGN CreateRectRgnIndirect(const RECT& r);
// A rectangle with elliptic corners of the given width and height.
HRGN CreateRoundRectRgn(int l, int t, int r, int b, int w, int h);
HRGN CreateEllipticRgn(int l, int t, int r, int b);
HRGN CreateRectListRgn(const std::vector<RECT>& rects);
int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode);
int OffsetRgn(HRGN rgn, int dx, int dy);
BOOL SetRectRgn(HRGN rgn, int l, int t, int r, int b);
BOOL PtInRegion(HRGN rgn, int x, int y);
BOOL RectInRegion(HRGN rgn, const RECT& r);
int GetRgnBox(HRGN rgn, RECT* r);
BOOL EqualRgn(HRGN a, HRGN b);
// The region as non-overlapping rectangles in bands from top to bottom.
std::vector<RECT> GetRegionRects(HRGN rgn);

// ---- Brushes, pens, colours --------------------------------------------------

HBRUSH CreateSolidBrush(COLORREF c);
HPEN CreatePen(int style, int width, COLORREF c);
enum : int { PS_SOLID = 0, PS_NULL = 5 };
enum : int { WHITE_BRUSH = 0, BLACK_BRUSH = 4, NULL_BRUSH = 5, WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8, DEFAULT_GUI_FONT = 17 };
HGDIOBJ GetStockObject(int which);
HBRUSH GetStockBrush(int which);
HPEN GetStockPen(int which);
HFONT GetStockFont(int which);

COLORREF GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

COLORREF SetTextColor(HDC hdc, COLORREF c);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF c);
enum : int { TRANSPARENT = 1, OPAQUE = 2 };
int SetBkMode(HDC hdc, int mode);

// ---- Drawing ------------------------------------------------------------------

int FillRect(HDC hdc, const RECT& r, HBRUSH br);
int FrameRect(HDC hdc, const RECT& r, HBRUSH br);
// Fills a region given in logical coordinates.
BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH br);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF c);
// CLR_INVALID outside the surface or the clip.
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
COLORREF GetPixel(HDC hdc, int x, int y);
BOOL MoveToEx(HDC hdc, int x, int y, POINT* old);
// A one-pixel line with the selected pen, last point excluded.
BOOL LineTo(HDC hdc, int x, int y);

enum : DWORD { SRCCOPY = 0x00CC0020, PATCOPY = 0x00F00021, BLACKNESS = 0x00000042, WHITENESS = 0x00FF0062 };
BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop);
// Nearest-neighbour stretch (the COLORONCOLOR mode); negative sizes mirror.
BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop);
BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop);

struct BLENDFUNCTION {
  BYTE BlendOp = 0;  // AC_SRC_OVER
  BYTE BlendFlags = 0;
  BYTE SourceConstantAlpha = 255;
  BYTE AlphaFormat = 0;  // AC_SRC_ALPHA: the source is premultiplied and has per-pixel alpha
};
enum : BYTE { AC_SRC_OVER = 0, AC_SRC_ALPHA = 1 };
BOOL AlphaBlend(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, BLENDFUNCTION bf);

// ---- Fonts and text -------------------------------------------------------------

enum : BYTE { DEFAULT_QUALITY = 0, DRAFT_QUALITY = 1, PROOF_QUALITY = 2, NONANTIALIASED_QUALITY = 3,
              ANTIALIASED_QUALITY = 4, CLEARTYPE_QUALITY = 5 };
enum : int { FW_NORMAL = 400, FW_BOLD = 700 };
enum : BYTE { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, GB2312_CHARSET = 134 };

struct LOGFONT {
  int lfHeight = 0;  // negative: character height in pixels; positive: cell height
  int lfWidth = 0;
  int lfEscapement = 0;
  int lfOrientation = 0;
  int lfWeight = FW_NORMAL;
  BYTE lfItalic = 0, lfUnderline = 0, lfStrikeOut = 0, lfCharSet = DEFAULT_CHARSET;
  BYTE lfOutPrecision = 0, lfClipPrecision = 0, lfQuality = DEFAULT_QUALITY, lfPitchAndFamily = 0;
  AnsiString lfFaceName;  // code page 936
};
HFONT CreateFontIndirect(const LOGFONT& lf);
BOOL GetFontLogFont(HFONT f, LOGFONT* lf);

struct TEXTMETRIC {
  int tmHeight = 0, tmAscent = 0, tmDescent = 0, tmInternalLeading = 0, tmExternalLeading = 0;
  int tmAveCharWidth = 0, tmMaxCharWidth = 0;
};
BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm);

// Texts in the A forms are code page 936 byte strings; W forms take UTF-16.
BOOL TextOutA(HDC hdc, int x, int y, const AnsiString& s);
BOOL TextOutW(HDC hdc, int x, int y, const WideString& s);
BOOL GetTextExtentPoint32A(HDC hdc, const AnsiString& s, SIZE* sz);
BOOL GetTextExtentPoint32W(HDC hdc, const WideString& s, SIZE* sz);

enum : UINT {
  DT_TOP = 0x0000, DT_LEFT = 0x0000, DT_CENTER = 0x0001, DT_RIGHT = 0x0002, DT_VCENTER = 0x0004,
  DT_BOTTOM = 0x0008, DT_WORDBREAK = 0x0010, DT_SINGLELINE = 0x0020, DT_EXPANDTABS = 0x0040,
  DT_NOCLIP = 0x0100, DT_CALCRECT = 0x0400, DT_NOPREFIX = 0x0800, DT_EDITCONTROL = 0x2000,
  DT_PATH_ELLIPSIS = 0x4000, DT_END_ELLIPSIS = 0x8000, DT_MODIFYSTRING = 0x10000,
  DT_WORD_ELLIPSIS = 0x40000,
};
// Draws text in r by the flags; returns the height of the text drawn. With
// DT_CALCRECT nothing is drawn and r receives the text's extent.
int DrawTextA(HDC hdc, const AnsiString& s, RECT* r, UINT flags);
int DrawTextW(HDC hdc, const WideString& s, RECT* r, UINT flags);

// ---- The objects behind the handles -----------------------------------------

struct GdiObject {
  enum class Kind { Bitmap, Brush, Pen, Font, Region };
  explicit GdiObject(Kind k) : kind(k) {}
  virtual ~GdiObject() = default;
  Kind kind;
  bool stock = false;  // stock objects are never deleted
  int selectedIn = 0;  // number of DCs (and saved DC states) it is selected into
  bool deletePending = false;  // deleted while selected: goes when deselected
};

struct BitmapObject : GdiObject {
  BitmapObject() : GdiObject(Kind::Bitmap) {}
  std::unique_ptr<std::uint32_t[]> pixels;
  Surface32 surface;
};

struct BrushObject : GdiObject {
  BrushObject() : GdiObject(Kind::Brush) {}
  COLORREF color = 0;
  bool hollow = false;
};

struct PenObject : GdiObject {
  PenObject() : GdiObject(Kind::Pen) {}
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
};

// The rasteriser's face for a font lives with the text code.
struct FontObject : GdiObject {
  FontObject() : GdiObject(Kind::Font) {}
  LOGFONT lf;
  std::shared_ptr<FontFace> face;  // resolved on first use
};

struct RegionObject : GdiObject {
  RegionObject() : GdiObject(Kind::Region) {}
  Region rgn;
};

