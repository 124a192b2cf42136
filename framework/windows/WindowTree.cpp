// Window creation and destruction, the parent/child tree and window data.
#include <algorithm>

#include "core/SysUtils.h"
#include "framework/paint/GdiInternal.h"
#include "framework/windows/WindowRecord.h"
#include "platform/CodePage.h"

WindowManager& WM() {
  static WindowManager* wm = new WindowManager;  // lives for the whole process
  return *wm;
}

WindowRecord* R(HWND hwnd) {
  const auto* slot = WM().windows.Find(reinterpret_cast<std::uintptr_t>(hwnd));
  return slot ? slot->get() : nullptr;
}

WindowRecord* Rec(HWND hwnd) {
  WindowRecord* w = R(hwnd);
  return w && !w->destroyed ? w : nullptr;
}

BOOL IsWindow(HWND hwnd) { return Rec(hwnd) != nullptr; }

BOOL RegisterClass(const WNDCLASS& wc) {
  AnsiString key = LowerCaseAscii(wc.lpszClassName);
  if (key.empty() || WM().classes.count(key)) return 0;
  WM().classes[key].wc = wc;
  return 1;
}

static const ClassRecord* FindClass(const AnsiString& name) {
  auto it = WM().classes.find(LowerCaseAscii(name));
  return it == WM().classes.end() ? nullptr : &it->second;
}

AnsiString GetClassName(HWND hwnd) {
  WindowRecord* w = Rec(hwnd);
  return w && w->cls ? w->cls->wc.lpszClassName : AnsiString();
}

bool PassesPointerThrough(HWND top) {
  constexpr DWORD both = WS_EX_LAYERED | WS_EX_TRANSPARENT;
  return R(top)->IsTopLevel() && (R(top)->exStyle & both) == both;
}

void SyncPointerPassThrough(HWND top) {
  WindowRecord& w = *R(top);
  if (!w.IsTopLevel() || !w.native) return;
  if (auto* d = platform::Display()) d->SetPointerPassThrough(w.native, PassesPointerThrough(top));
}

HWND TopLevelOf(HWND hwnd) {
  while (hwnd && R(hwnd)->IsChild()) hwnd = R(hwnd)->parent;
  return hwnd;
}
HWND GetAncestorRoot(HWND hwnd) { return Rec(hwnd) ? TopLevelOf(hwnd) : nullptr; }

POINT OffsetInTopLevel(HWND hwnd) {
  POINT p{0, 0};
  while (hwnd && R(hwnd)->IsChild()) {
    HWND parent = R(hwnd)->parent;
    p.x += R(hwnd)->rect.left + R(parent)->client.left;
    p.y += R(hwnd)->rect.top + R(parent)->client.top;
    hwnd = parent;
  }
  return p;
}

RECT ScreenRectOf(HWND hwnd) {
  HWND top = TopLevelOf(hwnd);
  POINT o = OffsetInTopLevel(hwnd);
  return Bounds(R(top)->rect.left + o.x, R(top)->rect.top + o.y, R(hwnd)->Width(), R(hwnd)->Height());
}

void RecalcClientRect(HWND hwnd) {
  WindowRecord& w = *R(hwnd);
  NCCALCSIZE_PARAMS p;
  // The rectangle travels in parent coordinates as on the platform; we keep
  // the answer relative to the window.
  p.rgrc[0] = w.rect;
  p.rgrc[1] = w.rect;
  p.rgrc[2] = w.client;
  SendMessage(hwnd, WM_NCCALCSIZE, 1, reinterpret_cast<LPARAM>(&p));
  if (!Rec(hwnd)) return;
  RECT c = OffsetRect(p.rgrc[0], -w.rect.left, -w.rect.top);
  c.right = std::max(c.right, c.left);
  c.bottom = std::max(c.bottom, c.top);
  w.client = c;
}

Region VisibleRegion(HWND hwnd, bool clientOnly) {
  WindowRecord& win = *R(hwnd);
  for (HWND w = hwnd; w; w = R(w)->IsChild() ? R(w)->parent : nullptr)
    if (!R(w)->Visible()) return {};
  POINT o = OffsetInTopLevel(hwnd);
  RECT own = clientOnly ? OffsetRect(win.client, o.x, o.y) : Bounds(o.x, o.y, win.Width(), win.Height());
  Region vis(own);
  if (win.shape) vis = vis.Intersect(win.shape->Offset(o.x, o.y));
  // Children of this window are painted by themselves.
  for (HWND c : win.children)
    if (R(c)->Visible()) {
      POINT co = OffsetInTopLevel(c);
      Region cr(Bounds(co.x, co.y, R(c)->Width(), R(c)->Height()));
      if (R(c)->shape) cr = cr.Intersect(R(c)->shape->Offset(co.x, co.y));
      vis = vis.Subtract(cr);
    }
  // Every ancestor's client area clips, and siblings above cover.
  for (HWND w = hwnd; R(w)->IsChild(); w = R(w)->parent) {
    HWND p = R(w)->parent;
    POINT po = OffsetInTopLevel(p);
    vis = vis.Intersect(Region(OffsetRect(R(p)->client, po.x, po.y)));
    if (R(p)->shape) vis = vis.Intersect(R(p)->shape->Offset(po.x, po.y));
    for (HWND s : R(p)->children) {
      if (s == w) break;
      if (!R(s)->Visible()) continue;
      POINT so = OffsetInTopLevel(s);
      Region sr(Bounds(so.x, so.y, R(s)->Width(), R(s)->Height()));
      if (R(s)->shape) sr = sr.Intersect(R(s)->shape->Offset(so.x, so.y));
      vis = vis.Subtract(sr);
    }
  }
  HWND top = TopLevelOf(hwnd);
  return vis.Intersect(Region(Rect(0, 0, R(top)->surface.width, R(top)->surface.height)));
}

HWND CreateWindowEx(DWORD exStyle, const AnsiString& className, const AnsiString& title, DWORD style, int x, int y,
                    int w, int h, HWND parent, void* createParams) {
  const ClassRecord* cls = FindClass(className);
  if (!cls) return nullptr;
  if (parent && !Rec(parent)) return nullptr;
  if ((style & WS_CHILD) && !parent) return nullptr;
  auto owned = std::make_unique<WindowRecord>();
  WindowRecord* rec = owned.get();
  rec->cls = cls;
  rec->proc = cls->wc.lpfnWndProc;
  rec->style = style & ~WS_VISIBLE;
  rec->exStyle = exStyle;
  rec->text = title;
  if (x == CW_USEDEFAULT) x = y = 100;
  if (w == CW_USEDEFAULT) w = 400, h = 300;
  rec->rect = Bounds(x, y, std::max(0, w), std::max(0, h));
  rec->normalRect = rec->rect;
  WindowManager& wm = WM();
  HWND hwnd = reinterpret_cast<HWND>(wm.windows.Add(std::move(owned)));
  rec->handle = hwnd;
  if (style & WS_CHILD) {
    rec->parent = parent;
    R(parent)->children.push_back(hwnd);  // new children go to the bottom
  } else {
    rec->owner = parent ? TopLevelOf(parent) : nullptr;
    wm.topLevels.insert(wm.topLevels.begin(), hwnd);
    platform::NativeWindowParams np;
    np.x = x;
    np.y = y;
    np.width = std::max(1, w);
    np.height = std::max(1, h);
    np.perPixelAlpha = exStyle & WS_EX_LAYERED;
    np.toolWindow = exStyle & WS_EX_TOOLWINDOW;
    np.popup = (style & WS_POPUP) && !(style & WS_CAPTION) && (exStyle & WS_EX_TOOLWINDOW);
    if (rec->owner) np.owner = R(rec->owner)->native;
    if (platform::DisplayBackend* d = platform::Display()) {
      rec->native = d->CreateWindow(np);
      rec->nativePerPixel = np.perPixelAlpha;
      d->SetTitle(rec->native, platform::Cp936ToUtf8(title));
      SyncPointerPassThrough(hwnd);
    }
    AllocateSurface(hwnd);
  }
  CREATESTRUCT cs;
  cs.lpCreateParams = createParams;
  cs.hwndParent = parent;
  cs.x = x, cs.y = y, cs.cx = w, cs.cy = h;
  cs.style = style;
  cs.dwExStyle = exStyle;
  cs.lpszName = title;
  cs.lpszClass = className;
  if (!SendMessage(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) || !Rec(hwnd)) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  RecalcClientRect(hwnd);
  if (SendMessage(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1 || !Rec(hwnd)) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  // The first size and position arrive as they do on the platform.
  SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(R(hwnd)->client.Width(), R(hwnd)->client.Height()));
  if (Rec(hwnd)) SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(R(hwnd)->rect.left + R(hwnd)->client.left, R(hwnd)->rect.top + R(hwnd)->client.top));
  if (Rec(hwnd) && (style & WS_VISIBLE)) ShowWindow(hwnd, SW_SHOW);
  return Rec(hwnd) ? hwnd : nullptr;
}

static void SendDestroy(HWND hwnd) {
  SendMessage(hwnd, WM_DESTROY, 0, 0);
  std::vector<HWND> kids = R(hwnd)->children;
  for (HWND c : kids)
    if (Rec(c)) SendDestroy(c);
}

static void SendNcDestroy(HWND hwnd) {
  std::vector<HWND> kids = R(hwnd)->children;
  for (HWND c : kids)
    if (R(c)) SendNcDestroy(c);
  SendMessage(hwnd, WM_NCDESTROY, 0, 0);
}

static void Forget(HWND hwnd) {
  WindowRecord& w = *R(hwnd);
  WindowManager& wm = WM();
  for (HWND c : std::vector<HWND>(w.children)) Forget(c);
  w.destroyed = true;
  if (wm.capture == hwnd) wm.capture = nullptr;
  if (wm.focus == hwnd) wm.focus = nullptr;
  if (wm.active == hwnd) wm.active = nullptr;
  if (wm.hover == hwnd) wm.hover = nullptr;
  if (wm.lastClickWindow == hwnd) wm.lastClickWindow = nullptr;
  wm.timers.erase(std::remove_if(wm.timers.begin(), wm.timers.end(), [&](const TimerRecord& t) { return t.hwnd == hwnd; }),
                  wm.timers.end());
  for (HWND t : wm.topLevels)
    if (R(t)->lastFocus == hwnd) R(t)->lastFocus = nullptr;
  if (w.native)
    if (platform::DisplayBackend* d = platform::Display()) d->DestroyWindow(w.native);
  w.native = 0;
}

BOOL DestroyWindow(HWND hwnd) {
  WindowRecord* w = Rec(hwnd);
  if (!w) return 0;
  WindowManager& wm = WM();
  // Owned top-level windows go first, as on the platform.
  if (w->IsTopLevel()) {
    std::vector<HWND> owned;
    for (HWND t : wm.topLevels)
      if (R(t)->owner == hwnd) owned.push_back(t);
    for (HWND t : owned) DestroyWindow(t);
  }
  bool wasVisible = w->Visible();
  if (wasVisible) {
    if (w->IsChild()) {
      POINT o{w->rect.left + R(w->parent)->client.left, w->rect.top + R(w->parent)->client.top};
      InvalidateTree(w->parent, Region(Bounds(o.x, o.y, w->Width(), w->Height())), true);
    }
    w->style &= ~WS_VISIBLE;
  }
  bool wasActive = wm.active == hwnd;
  SendDestroy(hwnd);
  SendNcDestroy(hwnd);
  Forget(hwnd);
  if (w->IsChild()) {
    auto& sib = R(w->parent)->children;
    sib.erase(std::remove(sib.begin(), sib.end(), hwnd), sib.end());
  } else {
    wm.topLevels.erase(std::remove(wm.topLevels.begin(), wm.topLevels.end(), hwnd), wm.topLevels.end());
    for (HWND t : wm.topLevels)
      if (R(t)->owner == hwnd) R(t)->owner = nullptr;
    if (wasActive) {
      // Activation passes to the owner or the next visible window.
      HWND next = w->owner && Rec(w->owner) && R(w->owner)->Visible() ? w->owner : nullptr;
      for (HWND t : wm.topLevels)
        if (!next && R(t)->Visible() && IsWindowEnabled(t)) next = t;
      if (next) ActivateWindow(next, false);
    }
  }
  // Records are freed together with their children; their handles fail
  // IsWindow from now on and never name another window.
  std::vector<HWND> all{hwnd};
  for (size_t i = 0; i < all.size(); ++i)
    for (HWND c : R(all[i])->children) all.push_back(c);
  for (HWND r : all) wm.windows.Remove(reinterpret_cast<std::uintptr_t>(r));
  return 1;
}

std::intptr_t GetWindowLongPtr(HWND hwnd, int index) {
  WindowRecord* w = Rec(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE: return w->style;
    case GWL_EXSTYLE: return w->exStyle;
    case GWLP_USERDATA: return w->userData;
    case GWLP_ID: return w->id;
    default: return 0;
  }
}

std::intptr_t SetWindowLongPtr(HWND hwnd, int index, std::intptr_t value) {
  WindowRecord* w = Rec(hwnd);
  if (!w) return 0;
  std::intptr_t old = GetWindowLongPtr(hwnd, index);
  switch (index) {
    case GWL_STYLE: w->style = static_cast<DWORD>(value); break;
    case GWL_EXSTYLE:
      w->exStyle = static_cast<DWORD>(value);
      SyncPointerPassThrough(hwnd);
      if (!(w->exStyle & WS_EX_LAYERED) && w->opacity != 255 && w->native) {
        w->opacity = 255;
        if (auto* d = platform::Display()) d->SetOpacity(w->native, 255);
      }
      break;
    case GWLP_USERDATA: w->userData = value; break;
    case GWLP_ID: w->id = value; break;
    default: return 0;
  }
  return old;
}

WNDPROC GetWindowProc(HWND hwnd) {
  WindowRecord* w = Rec(hwnd);
  return w ? w->proc : WNDPROC();
}

WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc) {
  WindowRecord* w = Rec(hwnd);
  if (!w) return {};
  WNDPROC old = std::move(w->proc);
  w->proc = std::move(proc);
  return old;
}

LRESULT CallWindowProc(const WNDPROC& proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return proc ? proc(hwnd, msg, wp, lp) : DefWindowProc(hwnd, msg, wp, lp);
}

HWND GetParent(HWND hwnd) {
  WindowRecord* w = Rec(hwnd);
  if (!w) return nullptr;
  return w->IsChild() ? w->parent : w->owner;
}

HWND SetParent(HWND hwnd, HWND parent) {
  WindowRecord* w = Rec(hwnd);
  if (!w || !w->IsChild() || !Rec(parent) || hwnd == parent) return nullptr;
  for (HWND p = parent; p; p = R(p)->IsChild() ? R(p)->parent : nullptr)
    if (p == hwnd) return nullptr;  // no cycles
  HWND old = w->parent;
  if (w->Visible()) {
    POINT o{w->rect.left + R(old)->client.left, w->rect.top + R(old)->client.top};
    InvalidateTree(old, Region(Bounds(o.x, o.y, w->Width(), w->Height())), true);
  }
  auto& sib = R(old)->children;
  sib.erase(std::remove(sib.begin(), sib.end(), hwnd), sib.end());
  w->parent = parent;
  R(parent)->children.insert(R(parent)->children.begin(), hwnd);
  if (w->Visible()) InvalidateTree(hwnd, Region(Bounds(0, 0, w->Width(), w->Height())), true);
  return old;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  WindowRecord* w = Rec(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (cmd == GW_OWNER) return w->IsTopLevel() ? w->owner : nullptr;
  const std::vector<HWND>& list = w->IsChild() ? R(w->parent)->children : WM().topLevels;
  auto it = std::find(list.begin(), list.end(), hwnd);
  if (it == list.end()) return nullptr;
  switch (cmd) {
    case GW_HWNDFIRST: return list.front();
    case GW_HWNDLAST: return list.back();
    case GW_HWNDNEXT: return it + 1 == list.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == list.begin() ? nullptr : *(it - 1);
    default: return nullptr;
  }
}

BOOL IsChild(HWND parent, HWND hwnd) {
  if (!Rec(parent) || !Rec(hwnd)) return 0;
  for (HWND w = hwnd; R(w)->IsChild(); w = R(w)->parent)
    if (R(w)->parent == parent) return 1;
  return 0;
}

std::vector<HWND> GetTopLevelWindows() { return WM().topLevels; }

BOOL IsWindowVisible(HWND hwnd) {
  for (WindowRecord* w = Rec(hwnd); w; w = w->IsChild() ? R(w->parent) : nullptr)
    if (!w->Visible()) return 0;
  return Rec(hwnd) != nullptr;
}

BOOL IsIconic(HWND hwnd) { return Rec(hwnd) && (R(hwnd)->style & WS_MINIMIZE); }
BOOL IsZoomed(HWND hwnd) { return Rec(hwnd) && (R(hwnd)->style & WS_MAXIMIZE); }

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  WindowRecord* w = Rec(hwnd);
  if (!w) return 0;
  BOOL wasDisabled = (w->style & WS_DISABLED) != 0;
  if (enable == !wasDisabled) return wasDisabled;
  if (enable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    WindowManager& wm = WM();
    if (wm.capture && (wm.capture == hwnd || IsChild(hwnd, wm.capture))) ReleaseCapture();
    if (wm.focus && (wm.focus == hwnd || IsChild(hwnd, wm.focus))) SetFocus(nullptr);
  }
  SendMessage(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND hwnd) { return Rec(hwnd) && !(R(hwnd)->style & WS_DISABLED); }

BOOL SetWindowText(HWND hwnd, const AnsiString& text) {
  if (!Rec(hwnd)) return 0;
  return static_cast<BOOL>(SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(&text)));
}

AnsiString GetWindowText(HWND hwnd) {
  AnsiString out;
  if (Rec(hwnd)) SendMessage(hwnd, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(&out));
  return out;
}

int SetWindowRgn(HWND hwnd, HRGN rgn, BOOL redraw) {
  WindowRecord* w = Rec(hwnd);
  if (!w) return 0;
  std::optional<Region> old = w->shape;
  if (rgn) {
    w->shape = RegionOf(rgn);
    DeleteObject(rgn);  // the window owns it now
  } else {
    w->shape.reset();
  }
  if (w->IsTopLevel() && w->native) {
    std::vector<platform::IntRect> rects;
    if (w->shape) {
      for (const RECT& r : w->shape->Rects()) rects.push_back({r.left, r.top, r.right, r.bottom});
      if (rects.empty()) rects.push_back({0, 0, 0, 0});  // an empty region hides everything
    }
    if (auto* d = platform::Display()) d->SetShape(w->native, rects);
  } else if (w->IsChild() && w->Visible()) {
    POINT o{w->rect.left + R(w->parent)->client.left, w->rect.top + R(w->parent)->client.top};
    InvalidateTree(w->parent, Region(Bounds(o.x, o.y, w->Width(), w->Height())), true);
  }
  // The platform recomputes the frame when the region changes.
  if (redraw && w->Visible())
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN rgn) {
  WindowRecord* w = Rec(hwnd);
  if (!w || !rgn || !w->shape) return ERROR_REGION;
  RegionOf(rgn) = *w->shape;
  return w->shape->IsEmpty() ? NULLREGION : w->shape->IsRect() ? SIMPLEREGION : COMPLEXREGION;
}

BOOL SetWindowIcon(HWND hwnd, const std::vector<std::uint32_t>& argb, int width, int height) {
  WindowRecord* w = Rec(hwnd);
  if (!w || !w->IsTopLevel() || width <= 0 || height <= 0 ||
      argb.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
    return 0;
  if (w->native)
    if (auto* d = platform::Display()) d->SetIcon(w->native, argb.data(), width, height);
  return 1;
}

BOOL SetWindowNativeTitle(HWND hwnd, const AnsiString& text) {
  WindowRecord* w = Rec(hwnd);
  if (!w || !w->IsTopLevel()) return 0;
  w->nativeTitle = text;
  if (w->native)
    if (auto* d = platform::Display()) d->SetTitle(w->native, platform::Cp936ToUtf8(text));
  return 1;
}
