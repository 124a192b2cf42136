// Bitmaps, brushes, pens, stock objects and the system colours.
#include <array>
#include <cstring>
#include <new>

#include "framework/paint/GdiInternal.h"

HBITMAP CreateDIBSection32(int width, int height, std::uint32_t** bits) {
  if (bits) *bits = nullptr;
  if (width <= 0 || height <= 0 || static_cast<long long>(width) * height > (1LL << 28)) return nullptr;
  auto* b = new (std::nothrow) BitmapObject;
  if (!b) return nullptr;
  size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
  b->pixels.reset(new (std::nothrow) std::uint32_t[n]);
  if (!b->pixels) {
    delete b;
    return nullptr;
  }
  std::memset(b->pixels.get(), 0, n * 4);
  b->surface = {b->pixels.get(), width, height, width};
  if (bits) *bits = b->pixels.get();
  return b;
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) { return CreateDIBSection32(width, height, nullptr); }

Surface32 GetBitmapSurface(HBITMAP bmp) { return bmp ? bmp->surface : Surface32{}; }

HBRUSH CreateSolidBrush(COLORREF c) {
  auto* b = new BrushObject;
  b->color = c & 0xFFFFFF;
  return b;
}

HPEN CreatePen(int style, int width, COLORREF c) {
  auto* p = new PenObject;
  p->style = style;
  p->width = width < 1 ? 1 : width;
  p->color = c & 0xFFFFFF;
  return p;
}

namespace {

// The default system colours of a current Windows desktop.
constexpr std::array<COLORREF, 31> kSysColors = {
    RGB(200, 200, 200), RGB(0, 0, 0),       RGB(153, 180, 209), RGB(191, 205, 219), RGB(240, 240, 240),
    RGB(255, 255, 255), RGB(100, 100, 100), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(180, 180, 180), RGB(244, 247, 252), RGB(171, 171, 171), RGB(0, 120, 215),   RGB(255, 255, 255),
    RGB(240, 240, 240), RGB(160, 160, 160), RGB(109, 109, 109), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(255, 255, 255), RGB(105, 105, 105), RGB(227, 227, 227), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(0, 0, 0),       RGB(0, 102, 204),   RGB(185, 209, 234), RGB(215, 228, 242), RGB(51, 153, 255),
    RGB(240, 240, 240),
};

template <class T>
T* MakeStock(T* o) {
  o->stock = true;
  return o;
}

}  // namespace

COLORREF GetSysColor(int index) {
  return index >= 0 && index < static_cast<int>(kSysColors.size()) ? kSysColors[static_cast<size_t>(index)] : 0;
}

HBRUSH GetSysColorBrush(int index) {
  static std::array<HBRUSH, kSysColors.size()> brushes = [] {
    std::array<HBRUSH, kSysColors.size()> a{};
    for (size_t i = 0; i < a.size(); ++i) a[i] = MakeStock(CreateSolidBrush(kSysColors[i]));
    return a;
  }();
  return index >= 0 && index < static_cast<int>(brushes.size()) ? brushes[static_cast<size_t>(index)] : nullptr;
}

HGDIOBJ GetStockObject(int which) {
  static HBRUSH white = MakeStock(CreateSolidBrush(RGB(255, 255, 255)));
  static HBRUSH black = MakeStock(CreateSolidBrush(RGB(0, 0, 0)));
  static HBRUSH hollow = [] {
    HBRUSH b = MakeStock(CreateSolidBrush(0));
    b->hollow = true;
    return b;
  }();
  static HPEN whitePen = MakeStock(CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
  static HPEN blackPen = MakeStock(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
  static HPEN nullPen = MakeStock(CreatePen(PS_NULL, 1, 0));
  static HFONT guiFont = [] {
    LOGFONT lf;
    lf.lfHeight = -11;
    lf.lfFaceName = "MS Shell Dlg";
    return MakeStock(CreateFontIndirect(lf));
  }();
  switch (which) {
    case WHITE_BRUSH: return white;
    case BLACK_BRUSH: return black;
    case NULL_BRUSH: return hollow;
    case WHITE_PEN: return whitePen;
    case BLACK_PEN: return blackPen;
    case NULL_PEN: return nullPen;
    case DEFAULT_GUI_FONT: return guiFont;
    default: return nullptr;
  }
}

HBRUSH GetStockBrush(int which) { return static_cast<HBRUSH>(GetStockObject(which)); }
HPEN GetStockPen(int which) { return static_cast<HPEN>(GetStockObject(which)); }
HFONT GetStockFont(int which) { return static_cast<HFONT>(GetStockObject(which)); }
