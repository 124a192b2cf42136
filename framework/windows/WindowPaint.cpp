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
  int w = std::max(1, top->Width()), h = std::max(1, top->Height());
  if (top->surface.width == w && top->surface.height == h) return;
  top->pixels.reset(new std::uint32_t[static_cast<size_t>(w) * static_cast<size_t>(h)]());
  top->surface = {top->pixels.get(), w, h, w};
}

void InvalidateTree(HWND hwnd, const Region& area, bool erase) {
  if (!hwnd->Visible()) return;
  Region own = area.Intersect(Region(Bounds(0, 0, hwnd->Width(), hwnd->Height())));
  if (own.IsEmpty()) return;
  hwnd->update = hwnd->update.Union(own);
  hwnd->erase |= erase;
  for (HWND c : hwnd->children) {
    int dx = c->rect.left + hwnd->client.left, dy = c->rect.top + hwnd->client.top;
    InvalidateTree(c, own.Offset(-dx, -dy), erase);
  }
  if (platform::DisplayBackend* d = platform::Display()) d->Wake();
}

static void InvalidateClient(HWND hwnd, const Region& clientArea, bool erase) {
  if (!IsWindowVisible(hwnd)) return;
  Region area = clientArea.Offset(hwnd->client.left, hwnd->client.top).Intersect(Region(hwnd->client));
  if (area.IsEmpty()) return;
  hwnd->update = hwnd->update.Union(area);
  hwnd->erase |= erase;
}

BOOL InvalidateRect(HWND hwnd, const RECT* r, BOOL erase) {
  if (!hwnd) {
    for (HWND t : WM().topLevels) InvalidateTree(t, Region(Bounds(0, 0, t->Width(), t->Height())), erase);
    return 1;
  }
  if (!Rec(hwnd)) return 0;
  InvalidateClient(hwnd, Region(r ? *r : Rect(0, 0, hwnd->client.Width(), hwnd->client.Height())), erase);
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
  if (!r) hwnd->update.Clear();
  else hwnd->update = hwnd->update.Subtract(Region(OffsetRect(*r, hwnd->client.left, hwnd->client.top)));
  return 1;
}

BOOL GetUpdateRect(HWND hwnd, RECT* r, BOOL) {
  if (!Rec(hwnd)) return 0;
  Region u = hwnd->update.Intersect(Region(hwnd->client)).Offset(-hwnd->client.left, -hwnd->client.top);
  if (r) *r = u.Bounds();
  return !u.IsEmpty();
}

static HWND FindInTree(HWND w) {
  if (!w->Visible()) return nullptr;
  if (!w->update.IsEmpty()) return w;
  for (HWND c : w->children)
    if (HWND f = FindInTree(c)) return f;
  return nullptr;
}

HWND FindWindowToPaint() {
  for (HWND t : WM().topLevels) {
    if (t->layeredContent || (t->style & WS_MINIMIZE)) {
      t->update.Clear();
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
    for (HWND c : order[i]->children) order.push_back(c);
  for (HWND w : order)
    if (Rec(w) && w->Visible() && !w->update.IsEmpty()) SendMessage(w, WM_PAINT, 0, 0);
  return 1;
}

BOOL RedrawWindow(HWND hwnd, const RECT* r, HRGN rgn, UINT flags) {
  if (!Rec(hwnd)) return 0;
  Region area = rgn ? RegionOf(rgn) : r ? Region(*r) : Region(Rect(0, 0, hwnd->client.Width(), hwnd->client.Height()));
  // Areas are given in client coordinates; the frame flag adds the non-client part.
  Region win = area.Offset(hwnd->client.left, hwnd->client.top);
  if ((flags & RDW_FRAME) && !r && !rgn) win = Region(Bounds(0, 0, hwnd->Width(), hwnd->Height()));
  else if (!(flags & RDW_FRAME)) win = win.Intersect(Region(hwnd->client));
  if (flags & RDW_INVALIDATE) {
    if (flags & RDW_ALLCHILDREN) {
      InvalidateTree(hwnd, win, flags & RDW_ERASE);
    } else if (IsWindowVisible(hwnd)) {
      hwnd->update = hwnd->update.Union(win.Intersect(Region(Bounds(0, 0, hwnd->Width(), hwnd->Height()))));
      hwnd->erase |= (flags & RDW_ERASE) != 0;
    }
  }
  if (flags & RDW_VALIDATE) hwnd->update = hwnd->update.Subtract(win);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
    if (flags & RDW_ALLCHILDREN) UpdateWindow(hwnd);
    else if (!hwnd->update.IsEmpty()) SendMessage(hwnd, WM_PAINT, 0, 0);
  }
  return 1;
}

void PresentLater(HWND top, const Region& surfaceArea) {
  top->unpresented = top->unpresented.Union(surfaceArea);
  if (platform::TickCount() - top->lastPresent >= kFrameMs) {
    PresentRects(top, top->unpresented);
  } else if (platform::DisplayBackend* d = platform::Display()) {
    d->Wake();  // the wait must end in time for the next frame
  }
}

std::uint64_t PresentDue(bool force) {
  std::uint64_t now = platform::TickCount(), next = UINT64_MAX;
  for (HWND t : WM().topLevels) {
    if (t->unpresented.IsEmpty()) continue;
    std::uint64_t due = t->lastPresent + kFrameMs;
    if (force || due <= now) PresentRects(t, t->unpresented);
    else next = std::min(next, due);
  }
  return next;
}

void PresentRects(HWND top, const Region& area) {
  Region surfaceArea = area;  // the caller may pass the queue that is cleared here
  top->unpresented.Clear();
  top->lastPresent = platform::TickCount();
  if (!top->native || surfaceArea.IsEmpty() || !top->Visible()) return;
  platform::DisplayBackend* d = platform::Display();
  if (!d) return;
  std::vector<platform::IntRect> rects;
  Region clipped = surfaceArea.Intersect(Region(Rect(0, 0, top->surface.width, top->surface.height)));
  for (const RECT& r : clipped.Rects()) rects.push_back({r.left, r.top, r.right, r.bottom});
  if (rects.empty()) return;
  const Surface32& s = top->surface;
  if (top->nativePerPixel && !top->layeredContent) {
    // A layered window painted the ordinary way is opaque: painting leaves
    // alpha 0 behind, which would make it invisible.
    std::vector<std::uint32_t> copy(s.bits, s.bits + static_cast<size_t>(s.stride) * s.height);
    for (std::uint32_t& p : copy) p |= 0xFF000000u;
    d->Present(top->native, copy.data(), s.width, s.height, s.stride, rects);
  } else {
    d->Present(top->native, s.bits, s.width, s.height, s.stride, rects);
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
  HDC hdc = CreateWindowSurfaceDC(hwnd, top->surface, origin, clientUpd.Intersect(vis));
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
                                : Region(Rect(0, 0, top->surface.width, top->surface.height));
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
  return CreateWindowSurfaceDC(hwnd, TopLevelOf(hwnd)->surface, origin,
                               VisibleRegion(hwnd, true).Offset(-origin.x, -origin.y));
}

HDC GetWindowDC(HWND hwnd) {
  WindowRecord* w = Rec(hwnd);
  if (!w) return nullptr;
  POINT o = OffsetInTopLevel(hwnd);
  return CreateWindowSurfaceDC(hwnd, TopLevelOf(hwnd)->surface, o, VisibleRegion(hwnd, false).Offset(-o.x, -o.y));
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
  if (top->nativePerPixel || !top->native) return;
  platform::DisplayBackend* d = platform::Display();
  if (!d) return;
  d->DestroyWindow(top->native);
  platform::NativeWindowParams np;
  np.x = top->rect.left;
  np.y = top->rect.top;
  np.width = std::max(1, top->Width());
  np.height = std::max(1, top->Height());
  np.perPixelAlpha = true;
  np.toolWindow = top->exStyle & WS_EX_TOOLWINDOW;
  np.popup = (top->style & WS_POPUP) && !(top->style & WS_CAPTION) && (top->exStyle & WS_EX_TOOLWINDOW);
  if (top->owner) np.owner = top->owner->native;
  top->native = d->CreateWindow(np);
  top->nativePerPixel = true;
  d->SetTitle(top->native, platform::Cp936ToUtf8(top->text));
  SyncPointerPassThrough(top);
  if (top->Visible()) d->Show(top->native, false);
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
