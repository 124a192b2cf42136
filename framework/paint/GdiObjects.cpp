// Device contexts, object selection, saved states, viewport and clipping.
#include <algorithm>
#include <unordered_set>

#include "framework/paint/GdiInternal.h"

namespace {

std::unordered_set<DeviceContext*>& LiveDCs() {
  static std::unordered_set<DeviceContext*> s;
  return s;
}

BitmapObject* DefaultBitmap() {
  static BitmapObject* b = [] {
    auto* o = new BitmapObject;
    o->stock = true;
    o->pixels.reset(new std::uint32_t[1]{0});
    o->surface = {o->pixels.get(), 1, 1, 1};
    return o;
  }();
  return b;
}

void InitState(DeviceContext* dc) {
  dc->state.brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  dc->state.pen = static_cast<HPEN>(GetStockObject(BLACK_PEN));
  dc->state.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void Retain(HGDIOBJ o) {
  if (o) ++o->selectedIn;
}
void Release(HGDIOBJ o) {
  if (o && --o->selectedIn == 0 && o->deletePending) delete o;
}

void ReleaseState(DCState& s) {
  Release(s.bitmap);
  Release(s.brush);
  Release(s.pen);
  Release(s.font);
}
void RetainState(DCState& s) {
  Retain(s.bitmap);
  Retain(s.brush);
  Retain(s.pen);
  Retain(s.font);
}

}  // namespace

Region DeviceContext::EffectiveClip() const {
  Region clip(Rect(0, 0, surface.width, surface.height));
  if (systemClip) clip = clip.Intersect(systemClip->Offset(deviceOrigin.x, deviceOrigin.y));
  if (state.appClip) clip = clip.Intersect(state.appClip->Offset(deviceOrigin.x, deviceOrigin.y));
  return clip;
}

bool IsValidDC(HDC hdc) { return hdc && LiveDCs().count(hdc); }

Region& RegionOf(HRGN rgn) { return rgn->rgn; }

HDC CreateCompatibleDC(HDC) {
  auto* dc = new DeviceContext;
  InitState(dc);
  dc->state.bitmap = DefaultBitmap();
  dc->surface = DefaultBitmap()->surface;
  RetainState(dc->state);
  LiveDCs().insert(dc);
  return dc;
}

HDC CreateWindowSurfaceDC(HWND hwnd, Surface32 surface, POINT deviceOrigin, const Region& systemClip) {
  auto* dc = new DeviceContext;
  dc->kind = DeviceContext::Kind::Window;
  dc->window = hwnd;
  dc->surface = surface;
  dc->deviceOrigin = deviceOrigin;
  dc->systemClip = systemClip;
  InitState(dc);
  RetainState(dc->state);
  LiveDCs().insert(dc);
  return dc;
}

static void FreeDC(HDC hdc) {
  ReleaseState(hdc->state);
  for (DCState& s : hdc->saved) ReleaseState(s);
  LiveDCs().erase(hdc);
  delete hdc;
}

void DestroyWindowSurfaceDC(HDC hdc) {
  if (IsValidDC(hdc)) FreeDC(hdc);
}

BOOL DeleteDC(HDC hdc) {
  if (!IsValidDC(hdc) || hdc->kind != DeviceContext::Kind::Memory) return 0;
  FreeDC(hdc);
  return 1;
}

Surface32 GetDCSurface(HDC hdc) { return IsValidDC(hdc) ? hdc->surface : Surface32{}; }

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
  if (!IsValidDC(hdc) || !obj) return nullptr;
  DCState& s = hdc->state;
  HGDIOBJ old = nullptr;
  switch (obj->kind) {
    case GdiObject::Kind::Bitmap: {
      if (hdc->kind != DeviceContext::Kind::Memory) return nullptr;
      auto* b = static_cast<HBITMAP>(obj);
      old = s.bitmap;
      s.bitmap = b;
      hdc->surface = b->surface;
      break;
    }
    case GdiObject::Kind::Brush:
      old = s.brush;
      s.brush = static_cast<HBRUSH>(obj);
      break;
    case GdiObject::Kind::Pen:
      old = s.pen;
      s.pen = static_cast<HPEN>(obj);
      break;
    case GdiObject::Kind::Font:
      old = s.font;
      s.font = static_cast<HFONT>(obj);
      break;
    case GdiObject::Kind::Region: {
      // Selecting a region sets the clip and returns the region kind, as the
      // platform does; there is no old object.
      SelectClipRgn(hdc, static_cast<HRGN>(obj));
      return nullptr;
    }
  }
  Retain(obj);
  Release(old);
  return old;
}

BOOL DeleteObject(HGDIOBJ obj) {
  if (!obj || obj->stock) return obj != nullptr;
  // An object still selected into a DC stays usable there and goes when it is
  // deselected (the platform refuses and the object leaks).
  if (obj->selectedIn > 0) {
    obj->deletePending = true;
    return 1;
  }
  delete obj;
  return 1;
}

int SaveDC(HDC hdc) {
  if (!IsValidDC(hdc)) return 0;
  hdc->saved.push_back(hdc->state);
  RetainState(hdc->saved.back());
  return static_cast<int>(hdc->saved.size());
}

BOOL RestoreDC(HDC hdc, int which) {
  if (!IsValidDC(hdc)) return 0;
  int n = static_cast<int>(hdc->saved.size());
  int idx = which < 0 ? n + which : which - 1;
  if (idx < 0 || idx >= n) return 0;
  ReleaseState(hdc->state);
  hdc->state = hdc->saved[static_cast<size_t>(idx)];
  for (int i = idx; i < n; ++i)
    if (i != idx) ReleaseState(hdc->saved[static_cast<size_t>(i)]);
  hdc->saved.resize(static_cast<size_t>(idx));
  if (hdc->kind == DeviceContext::Kind::Memory && hdc->state.bitmap) hdc->surface = hdc->state.bitmap->surface;
  return 1;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* old) {
  if (!IsValidDC(hdc)) return 0;
  if (old) *old = hdc->state.viewportOrg;
  hdc->state.viewportOrg = {x, y};
  return 1;
}

BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* old) {
  if (!IsValidDC(hdc)) return 0;
  if (old) *old = hdc->state.viewportOrg;
  hdc->state.viewportOrg.x += dx;
  hdc->state.viewportOrg.y += dy;
  return 1;
}

BOOL GetViewportOrgEx(HDC hdc, POINT* p) {
  if (!IsValidDC(hdc)) return 0;
  *p = hdc->state.viewportOrg;
  return 1;
}

static int RegionKind(const Region& r) { return r.IsEmpty() ? NULLREGION : r.IsRect() ? SIMPLEREGION : COMPLEXREGION; }

static Region CurrentAppClip(HDC hdc) {
  if (hdc->state.appClip) return *hdc->state.appClip;
  return Region(Rect(-hdc->deviceOrigin.x, -hdc->deviceOrigin.y, hdc->surface.width - hdc->deviceOrigin.x,
                     hdc->surface.height - hdc->deviceOrigin.y));
}

int IntersectClipRect(HDC hdc, int l, int t, int r, int b) {
  if (!IsValidDC(hdc)) return ERROR_REGION;
  RECT dev = OffsetRect(Rect(l, t, r, b), hdc->state.viewportOrg.x, hdc->state.viewportOrg.y);
  hdc->state.appClip = CurrentAppClip(hdc).Intersect(Region(dev));
  return RegionKind(*hdc->state.appClip);
}

int ExcludeClipRect(HDC hdc, int l, int t, int r, int b) {
  if (!IsValidDC(hdc)) return ERROR_REGION;
  RECT dev = OffsetRect(Rect(l, t, r, b), hdc->state.viewportOrg.x, hdc->state.viewportOrg.y);
  hdc->state.appClip = CurrentAppClip(hdc).Subtract(Region(dev));
  return RegionKind(*hdc->state.appClip);
}

int SelectClipRgn(HDC hdc, HRGN rgn) {
  if (!IsValidDC(hdc)) return ERROR_REGION;
  if (!rgn) {
    hdc->state.appClip.reset();
    return SIMPLEREGION;
  }
  hdc->state.appClip = rgn->rgn;
  return RegionKind(rgn->rgn);
}

int GetClipBox(HDC hdc, RECT* r) {
  if (!IsValidDC(hdc)) return ERROR_REGION;
  Region clip = hdc->EffectiveClip();
  *r = OffsetRect(clip.Bounds(), -hdc->deviceOrigin.x - hdc->state.viewportOrg.x,
                  -hdc->deviceOrigin.y - hdc->state.viewportOrg.y);
  return RegionKind(clip);
}

// ---- Region handles ----

HRGN CreateRectRgn(int l, int t, int r, int b) {
  auto* o = new RegionObject;
  // The platform normalises swapped corners.
  o->rgn = Region(Rect(std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)));
  return o;
}
HRGN CreateRectRgnIndirect(const RECT& r) { return CreateRectRgn(r.left, r.top, r.right, r.bottom); }
HRGN CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) {
  auto* o = new RegionObject;
  o->rgn = Region::RoundRect(Rect(std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)), w, h);
  return o;
}
HRGN CreateEllipticRgn(int l, int t, int r, int b) {
  auto* o = new RegionObject;
  o->rgn = Region::Ellipse(Rect(std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)));
  return o;
}
HRGN CreateRectListRgn(const std::vector<RECT>& rects) {
  auto* o = new RegionObject;
  o->rgn = Region::FromRects(rects);
  return o;
}

int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode) {
  if (!dest || !a) return ERROR_REGION;
  Region out;
  switch (mode) {
    case RGN_COPY: out = a->rgn; break;
    case RGN_AND: if (!b) return ERROR_REGION; out = a->rgn.Intersect(b->rgn); break;
    case RGN_OR: if (!b) return ERROR_REGION; out = a->rgn.Union(b->rgn); break;
    case RGN_XOR: if (!b) return ERROR_REGION; out = a->rgn.Xor(b->rgn); break;
    case RGN_DIFF: if (!b) return ERROR_REGION; out = a->rgn.Subtract(b->rgn); break;
    default: return ERROR_REGION;
  }
  dest->rgn = std::move(out);
  return RegionKind(dest->rgn);
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
  if (!rgn) return ERROR_REGION;
  rgn->rgn = rgn->rgn.Offset(dx, dy);
  return RegionKind(rgn->rgn);
}

BOOL SetRectRgn(HRGN rgn, int l, int t, int r, int b) {
  if (!rgn) return 0;
  rgn->rgn = Region(Rect(std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)));
  return 1;
}

BOOL PtInRegion(HRGN rgn, int x, int y) { return rgn && rgn->rgn.Contains(x, y); }
BOOL RectInRegion(HRGN rgn, const RECT& r) { return rgn && rgn->rgn.Intersects(r); }
int GetRgnBox(HRGN rgn, RECT* r) {
  if (!rgn) return ERROR_REGION;
  *r = rgn->rgn.Bounds();
  return RegionKind(rgn->rgn);
}
BOOL EqualRgn(HRGN a, HRGN b) { return a && b && a->rgn == b->rgn; }
std::vector<RECT> GetRegionRects(HRGN rgn) { return rgn ? rgn->rgn.Rects() : std::vector<RECT>{}; }
