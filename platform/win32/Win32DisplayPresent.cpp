// Presenting: the surface's dirty rectangles go into the window's own bitmap
// and from there to the screen, by rectangles for an ordinary window and as
// a whole through the layered-window update for one with per-pixel alpha.
#include <windows.h>
// The backend's own CreateWindow, not the system's macro.
#undef CreateWindow

#include <algorithm>

#include "platform/win32/Win32Display.h"

namespace platform::win32 {

void Win32Display::EnsureBitmap(WindowRecord& r, int width, int height) {
  if (r.bitmap && r.bitmapWidth == width && r.bitmapHeight == height) return;
  FreeBitmap(r);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down, as the surface
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  r.bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!r.bitmap) return;
  r.bits = static_cast<std::uint32_t*>(bits);
  r.bitmapWidth = width;
  r.bitmapHeight = height;
  // A new bitmap shows nothing until the surface's pixels arrive.
  std::fill_n(r.bits, static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
}

void Win32Display::FreeBitmap(WindowRecord& r) {
  if (r.bitmap) DeleteObject(r.bitmap);
  r.bitmap = nullptr;
  r.bits = nullptr;
  r.bitmapWidth = r.bitmapHeight = 0;
}

void Win32Display::Present(NativeWindow w, const std::uint32_t* pixels, int width, int height, int stride,
                           const std::vector<IntRect>& rects) {
  WindowRecord* r = Find(w);
  if (!r || !pixels || width <= 0 || height <= 0) return;
  EnsureBitmap(*r, width, height);
  if (!r->bitmap) return;
  std::vector<IntRect> shown;
  for (const IntRect& rc : rects) {
    const IntRect c = Intersect(rc, {0, 0, width, height});
    if (c.Width() <= 0) continue;
    // The DIB's $AARRGGBB words are the surface's own.
    for (int y = c.top; y < c.bottom; ++y)
      std::copy_n(pixels + static_cast<size_t>(y) * stride + c.left, c.Width(),
                  r->bits + static_cast<size_t>(y) * width + c.left);
    shown.push_back(c);
  }
  if (r->params.perPixelAlpha) {
    UpdateLayered(*r);
    return;
  }
  if (shown.empty()) return;
  HDC dc = GetDC(r->hwnd);
  for (const IntRect& c : shown) BlitToWindow(*r, dc, c);
  ReleaseDC(r->hwnd, dc);
}

void Win32Display::BlitToWindow(WindowRecord& r, HDC target, const IntRect& rect) {
  HGDIOBJ old = SelectObject(memoryDc_, r.bitmap);
  BitBlt(target, rect.left, rect.top, rect.Width(), rect.Height(), memoryDc_, rect.left, rect.top, SRCCOPY);
  SelectObject(memoryDc_, old);
}

void Win32Display::UpdateLayered(WindowRecord& r) {
  if (!r.bitmap) return;
  HDC screen = GetDC(nullptr);
  HGDIOBJ old = SelectObject(memoryDc_, r.bitmap);
  POINT at{r.bounds.left, r.bounds.top};
  SIZE size{r.bitmapWidth, r.bitmapHeight};
  POINT from{0, 0};
  // The pixels are premultiplied, as AC_SRC_ALPHA takes them; the window's
  // own opacity scales them all.
  BLENDFUNCTION blend{AC_SRC_OVER, 0, r.opacity, AC_SRC_ALPHA};
  {
    OwnChange own(*this);
    UpdateLayeredWindow(r.hwnd, screen, &at, &size, memoryDc_, &from, 0, &blend, ULW_ALPHA);
  }
  SelectObject(memoryDc_, old);
  ReleaseDC(nullptr, screen);
  r.bounds.right = r.bounds.left + size.cx;
  r.bounds.bottom = r.bounds.top + size.cy;
}

void Win32Display::PaintFromBitmap(WindowRecord& r) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(r.hwnd, &ps);
  if (dc && r.bitmap) {
    const RECT& p = ps.rcPaint;
    BlitToWindow(r, dc, {p.left, p.top, p.right, p.bottom});
  }
  EndPaint(r.hwnd, &ps);
}

}  // namespace platform::win32
