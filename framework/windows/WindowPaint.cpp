// Invalidation, WM_PAINT, device contexts of windows, presenting, layered windows.
#include <algorithm>
#include <cstring>

#include "framework/paint/GdiInternal.h"
#include "framework/windows/WindowRecord.h"
#include "platform/Clock.h"
#include "platform/CodePage.h"

namespace {
// A window shows new pixels at most this often; a progress display that
// repaints on every block of a download then costs a frame's worth, not a
// present per block.
constexpr std::uint64_t kFrameMs = 16;
}  // namespace

void AllocateSurface(HWND top) {
  WindowRecord& win = *R(top);
  int w = std::max(1, win.Width()), h = std::max(1, win.Height());
  if (win.surface.width == w && win.surface.height == h) return;
  win.pixels.reset(new std::uint32_t[static_cast<size_t>(w) * static_cast<size_t>(h)]());
  win.surface = {win.pixels.get(), w, h, w};
}

void InvalidateTree(HWND hwnd, const Region& area, bool erase) {
  WindowRecord& w = *R(hwnd);
  if (!w.Visible()) return;
  Region own = area.Intersect(Region(Bounds(0, 0, w.Width(), w.Height())));
  if (own.IsEmpty()) return;
  w.update = w.update.Union(own);
  w.erase |= erase;
  for (HWND c : w.children) {
    int dx = R(c)->rect.left + w.client.left, dy = R(c)->rect.top + w.client.top;
    InvalidateTree(c, own.Offset(-dx, -dy), erase);
  }
  if (platform::DisplayBackend* d = platform::Display()) d->Wake();
}

static void InvalidateClient(HWND hwnd, const Region& clientArea, bool erase) {
  WindowRecord& w = *R(hwnd);
  if (!IsWindowVisible(hwnd)) return;
  Region area = clientArea.Offset(w.client.left, w.client.top).Intersect(Region(w.client));
  if (area.IsEmpty()) return;
  w.update = w.update.Union(area);
  w.erase |= erase;
}

BOOL InvalidateRect(HWND hwnd, const RECT* r, BOOL erase) {
  if (!hwnd) {
    for (HWND t : WM().topLevels) InvalidateTree(t, Region(Bounds(0, 0, R(t)->Width(), R(t)->Height())), erase);
    return 1;
  }
  if (!Rec(hwnd)) return 0;
  InvalidateClient(hwnd, Region(r ? *r : Rect(0, 0, R(hwnd)->client.Width(), R(hwnd)->client.Height())), erase);
  return 1;
}

BOOL InvalidateRgn(HWND hwnd, HRGN rgn, BOOL erase) {
  if (!Rec(hwnd)) return 0;
  if (!rgn) return InvalidateRect(hwnd, nullptr, erase);
  InvalidateClient(hwnd, RegionOf(rgn), erase);
  return 1;
}

BOOL ValidateRect(HWND hwnd, const RECT* r) {
  if (!Rec(hwnd)) return 0;
  WindowRecord& w = *R(hwnd);
  if (!r) w.update.Clear();
  else w.update = w.update.Subtract(Region(OffsetRect(*r, w.client.left, w.client.top)));
  return 1;
}

BOOL GetUpdateRect(HWND hwnd, RECT* r, BOOL) {
  if (!Rec(hwnd)) return 0;
  WindowRecord& w = *R(hwnd);
  Region u = w.update.Intersect(Region(w.client)).Offset(-w.client.left, -w.client.top);
  if (r) *r = u.Bounds();
  return !u.IsEmpty();
}

static HWND FindInTree(HWND w) {
  WindowRecord& win = *R(w);
  if (!win.Visible()) return nullptr;
  if (!win.update.IsEmpty()) return w;
  for (HWND c : win.children)
    if (HWND f = FindInTree(c)) return f;
  return nullptr;
}

HWND FindWindowToPaint() {
  for (HWND t : WM().topLevels) {
    if (R(t)->layeredContent || (R(t)->style & WS_MINIMIZE)) {
      R(t)->update.Clear();
      continue;
    }
    if (HWND f = FindInTree(t)) return f;
  }
  return nullptr;
}

BOOL GdiFlush() {
  PresentDue(true);
  return 1;
}

BOOL UpdateWindow(HWND hwnd) {
  if (!Rec(hwnd)) return 0;
  std::vector<HWND> order{hwnd};
  for (size_t i = 0; i < order.size(); ++i)
    for (HWND c : R(order[i])->children) order.push_back(c);
  for (HWND w : order)
    if (Rec(w) && R(w)->Visible() && !R(w)->update.IsEmpty()) SendMessage(w, WM_PAINT, 0, 0);
  return 1;
}

BOOL RedrawWindow(HWND hwnd, const RECT* r, HRGN rgn, UINT flags) {
  if (!Rec(hwnd)) return 0;
  WindowRecord& w = *R(hwnd);
  Region area = rgn ? RegionOf(rgn) : r ? Region(*r) : Region(Rect(0, 0, w.client.Width(), w.client.Height()));
  // Areas are given in client coordinates; the frame flag adds the non-client part.
  Region win = area.Offset(w.client.left, w.client.top);
  if ((flags & RDW_FRAME) && !r && !rgn) win = Region(Bounds(0, 0, w.Width(), w.Height()));
  else if (!(flags & RDW_FRAME)) win = win.Intersect(Region(w.client));
  if (flags & RDW_INVALIDATE) {
    if (flags & RDW_ALLCHILDREN) {
      InvalidateTree(hwnd, win, flags & RDW_ERASE);
    } else if (IsWindowVisible(hwnd)) {
      w.update = w.update.Union(win.Intersect(Region(Bounds(0, 0, w.Width(), w.Height()))));
      w.erase |= (flags & RDW_ERASE) != 0;
    }
  }
  if (flags & RDW_VALIDATE) w.update = w.update.Subtract(win);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
    if (flags & RDW_ALLCHILDREN) UpdateWindow(hwnd);
    else if (!w.update.IsEmpty()) SendMessage(hwnd, WM_PAINT, 0, 0);
  }
  return 1;
}

void PresentLater(HWND top, const Region& surfaceArea) {
  WindowRecord& w = *R(top);
  w.unpresented = w.unpresented.Union(surfaceArea);
  if (platform::TickCount() - w.lastPresent >= kFrameMs) {
    PresentRects(top, w.unpresented);
  } else if (platform::DisplayBackend* d = platform::Display()) {
    d->Wake();  // the wait must end in time for the next frame
  }
}

std::uint64_t PresentDue(bool force) {
  std::uint64_t now = platform::TickCount(), next = UINT64_MAX;
  for (HWND t : WM().topLevels) {
    if (R(t)->unpresented.IsEmpty()) continue;
    std::uint64_t due = R(t)->lastPresent + kFrameMs;
    if (force || due <= now) PresentRects(t, R(t)->unpresented);
    else next = std::min(next, due);
  }
  return next;
}

void PresentRects(HWND top, const Region& area) {
  WindowRecord& w = *R(top);
  Region surfaceArea = area;  // the caller may pass the queue that is cleared here
  w.unpresented.Clear();
  w.lastPresent = platform::TickCount();
  if (!w.native || surfaceArea.IsEmpty() || !w.Visible()) return;
  platform::DisplayBackend* d = platform::Display();
  if (!d) return;
  std::vector<platform::IntRect> rects;
  Region clipped = surfaceArea.Intersect(Region(Rect(0, 0, w.surface.width, w.surface.height)));
  for (const RECT& r : clipped.Rects()) rects.push_back({r.left, r.top, r.right, r.bottom});
  if (rects.empty()) return;
  const Surface32& s = w.surface;
  if (w.nativePerPixel && !w.layeredContent) {
    // A layered window painted the ordinary way is opaque: painting leaves
    // alpha 0 behind, which would make it invisible.
    std::vector<std::uint32_t> copy(s.bits, s.bits + static_cast<size_t>(s.stride) * s.height);
    for (std::uint32_t& p : copy) p |= 0xFF000000u;
    d->Present(w.native, copy.data(), s.width, s.height, s.stride, rects);
  } else {
    d->Present(w.native, s.bits, s.width, s.height, s.stride, rects);
  }
  d->Flush();
}

// ---- Painting DCs ----

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  WindowRecord* w = Rec(hwnd);
  if (!w || !ps) return nullptr;
  Region upd = w->update;
  bool erase = w->erase;
  w->update.Clear();
  w->erase = false;
  if (!upd.Subtract(Region(w->client)).IsEmpty()) {
    SendMessage(hwnd, WM_NCPAINT, 1, 0);
    if (!Rec(hwnd)) return nullptr;
  }
  HWND top = TopLevelOf(hwnd);
  POINT o = OffsetInTopLevel(hwnd);
  POINT origin{o.x + w->client.left, o.y + w->client.top};
  Region clientUpd = upd.Intersect(Region(w->client)).Offset(-w->client.left, -w->client.top);
  Region vis = VisibleRegion(hwnd, true).Offset(-origin.x, -origin.y);
  HDC hdc = CreateWindowSurfaceDC(hwnd, R(top)->surface, origin, clientUpd.Intersect(vis));
  ps->hdc = hdc;
  ps->rcPaint = clientUpd.Bounds();
  ps->fErase = 0;
  if (erase) ps->fErase = SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) == 0;
  return hdc;
}

static void PresentDC(HDC hdc) {
  if (!IsValidDC(hdc) || hdc->kind != DeviceContext::Kind::Window || !Rec(hdc->window)) return;
  HWND top = TopLevelOf(hdc->window);
  Region area = hdc->systemClip ? hdc->systemClip->Offset(hdc->deviceOrigin.x, hdc->deviceOrigin.y)
                                : Region(Rect(0, 0, R(top)->surface.width, R(top)->surface.height));
  PresentLater(top, area);
}

BOOL EndPaint(HWND, const PAINTSTRUCT* ps) {
  if (!ps || !IsValidDC(ps->hdc)) return 0;
  PresentDC(ps->hdc);
  DestroyWindowSurfaceDC(ps->hdc);
  return 1;
}

HDC GetDC(HWND hwnd) {
  if (!hwnd) return CreateCompatibleDC(nullptr);  // the screen: a memory DC stands in
  WindowRecord* w = Rec(hwnd);
  if (!w) return nullptr;
  POINT o = OffsetInTopLevel(hwnd);
  POINT origin{o.x + w->client.left, o.y + w->client.top};
  return CreateWindowSurfaceDC(hwnd, R(TopLevelOf(hwnd))->surface, origin,
                               VisibleRegion(hwnd, true).Offset(-origin.x, -origin.y));
}

HDC GetWindowDC(HWND hwnd) {
  WindowRecord* w = Rec(hwnd);
  if (!w) return nullptr;
  POINT o = OffsetInTopLevel(hwnd);
  return CreateWindowSurfaceDC(hwnd, R(TopLevelOf(hwnd))->surface, o, VisibleRegion(hwnd, false).Offset(-o.x, -o.y));
}

int ReleaseDC(HWND, HDC hdc) {
  if (!IsValidDC(hdc)) return 0;
  if (hdc->kind == DeviceContext::Kind::Memory) return DeleteDC(hdc);
  PresentDC(hdc);
  DestroyWindowSurfaceDC(hdc);
  return 1;
}

HWND WindowFromDC(HDC hdc) {
  if (!IsValidDC(hdc) || hdc->kind != DeviceContext::Kind::Window) return nullptr;
  return Rec(hdc->window) ? hdc->window : nullptr;
}

// ---- Layered windows ----

static void EnsurePerPixelNative(HWND top) {
  WindowRecord& w = *R(top);
  if (w.nativePerPixel || !w.native) return;
  platform::DisplayBackend* d = platform::Display();
  if (!d) return;
  d->DestroyWindow(w.native);
  platform::NativeWindowParams np;
  np.x = w.rect.left;
  np.y = w.rect.top;
  np.width = std::max(1, w.Width());
  np.height = std::max(1, w.Height());
  np.perPixelAlpha = true;
  np.toolWindow = w.exStyle & WS_EX_TOOLWINDOW;
  np.popup = (w.style & WS_POPUP) && !(w.style & WS_CAPTION) && (w.exStyle & WS_EX_TOOLWINDOW);
  if (w.owner) np.owner = R(w.owner)->native;
  w.native = d->CreateWindow(np);
  w.nativePerPixel = true;
  d->SetTitle(w.native, platform::Cp936ToUtf8(w.text));
  SyncPointerPassThrough(top);
  if (w.Visible()) d->Show(w.native, false);
}

BOOL UpdateLayeredWindow(HWND hwnd, HDC, const POINT* pos, const SIZE* size, HDC src, const POINT* srcPos, COLORREF,
                         const BLENDFUNCTION* blend, DWORD flags) {
  WindowRecord* w = Rec(hwnd);
  if (!w || !w->IsTopLevel() || !(w->exStyle & WS_EX_LAYERED)) return 0;
  if (pos || size) {
    int x = pos ? pos->x : w->rect.left, y = pos ? pos->y : w->rect.top;
    int cx = size ? size->cx : w->Width(), cy = size ? size->cy : w->Height();
    SetWindowPos(hwnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    if (!Rec(hwnd)) return 0;
  }
  EnsurePerPixelNative(hwnd);
  w->layeredContent = true;
  w->update.Clear();
  if (src && IsValidDC(src)) {
    Surface32 ss = src->surface;
    POINT sp = srcPos ? *srcPos : POINT{0, 0};
    int ox = src->SurfaceX(sp.x), oy = src->SurfaceY(sp.y);
    unsigned sca = blend ? blend->SourceConstantAlpha : 255;
    for (int y = 0; y < w->surface.height; ++y) {
      std::uint32_t* dst = w->surface.Row(y);
      for (int x = 0; x < w->surface.width; ++x) {
        int sx = ox + x, sy = oy + y;
        std::uint32_t p = (sx >= 0 && sy >= 0 && sx < ss.width && sy < ss.height) ? ss.Row(sy)[sx] : 0;
        if (flags & ULW_OPAQUE) p |= 0xFF000000u;
        if (sca != 255) {
          auto sc = [&](int sh) { return (((p >> sh) & 0xFF) * sca + 127) / 255; };
          p = (sc(24) << 24) | (sc(16) << 16) | (sc(8) << 8) | sc(0);
        }
        dst[x] = p;
      }
    }
  }
  PresentRects(hwnd, Region(Rect(0, 0, w->surface.width, w->surface.height)));
  return 1;
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF, BYTE alpha, DWORD flags) {
  WindowRecord* w = Rec(hwnd);
  if (!w || !w->IsTopLevel() || !(w->exStyle & WS_EX_LAYERED)) return 0;
  w->layeredContent = false;
  if (flags & LWA_ALPHA) {
    w->opacity = alpha;
    if (w->native)
      if (auto* d = platform::Display()) d->SetOpacity(w->native, alpha);
  }
  return 1;
}
