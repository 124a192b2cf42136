// Window geometry: coordinates, moving, sizing, showing, maximising.
#include <algorithm>

#include "framework/windows/WindowRecord.h"

BOOL GetWindowRect(HWND hwnd, RECT* r) {
  if (!Rec(hwnd) || !r) return 0;
  *r = ScreenRectOf(hwnd);
  return 1;
}

BOOL GetClientRect(HWND hwnd, RECT* r) {
  if (!Rec(hwnd) || !r) return 0;
  *r = Rect(0, 0, R(hwnd)->client.Width(), R(hwnd)->client.Height());
  return 1;
}

static POINT ClientOrigin(HWND hwnd) {
  RECT s = ScreenRectOf(hwnd);
  return {s.left + R(hwnd)->client.left, s.top + R(hwnd)->client.top};
}

BOOL ClientToScreen(HWND hwnd, POINT* p) {
  if (!Rec(hwnd) || !p) return 0;
  POINT o = ClientOrigin(hwnd);
  p->x += o.x;
  p->y += o.y;
  return 1;
}

BOOL ScreenToClient(HWND hwnd, POINT* p) {
  if (!Rec(hwnd) || !p) return 0;
  POINT o = ClientOrigin(hwnd);
  p->x -= o.x;
  p->y -= o.y;
  return 1;
}

int MapWindowPoints(HWND from, HWND to, POINT* pts, UINT count) {
  POINT a = from && Rec(from) ? ClientOrigin(from) : POINT{0, 0};
  POINT b = to && Rec(to) ? ClientOrigin(to) : POINT{0, 0};
  int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; i < count; ++i) pts[i].x += dx, pts[i].y += dy;
  return static_cast<int>(MAKELPARAM(dx, dy));
}

static bool ShapeHas(HWND w, int x, int y) { return !R(w)->shape || R(w)->shape->Contains(x, y); }

// The deepest visible, enabled child of hwnd at a point in hwnd's client coordinates.
static HWND DeepestChildAt(HWND hwnd, POINT p) {
  for (HWND c : R(hwnd)->children) {
    if (!R(c)->Visible() || !R(c)->rect.Contains(p.x, p.y)) continue;
    if (!ShapeHas(c, p.x - R(c)->rect.left, p.y - R(c)->rect.top)) continue;
    if (R(c)->style & WS_DISABLED) return hwnd;
    POINT q{p.x - R(c)->rect.left - R(c)->client.left, p.y - R(c)->rect.top - R(c)->client.top};
    if (!R(c)->client.Contains(p.x - R(c)->rect.left, p.y - R(c)->rect.top)) return c;
    return DeepestChildAt(c, q);
  }
  return hwnd;
}

HWND WindowFromPoint(POINT s) {
  for (HWND t : WM().topLevels) {
    if (!R(t)->Visible() || (R(t)->style & WS_MINIMIZE) || !R(t)->rect.Contains(s.x, s.y)) continue;
    if (PassesPointerThrough(t)) continue;
    if (!ShapeHas(t, s.x - R(t)->rect.left, s.y - R(t)->rect.top)) continue;
    POINT c{s.x - R(t)->rect.left, s.y - R(t)->rect.top};
    if (!R(t)->client.Contains(c.x, c.y)) return t;
    return DeepestChildAt(t, {c.x - R(t)->client.left, c.y - R(t)->client.top});
  }
  return nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT p) {
  WindowRecord* w = Rec(parent);
  if (!w) return nullptr;
  if (!Rect(0, 0, w->client.Width(), w->client.Height()).Contains(p.x, p.y)) return nullptr;
  for (HWND c : w->children)
    if (R(c)->rect.Contains(p.x, p.y)) return c;
  return parent;
}

// Invalidates what a child covered at rect (its parent's client coordinates)
// in the parent and in every window stacked there.
static void ExposeInParent(HWND child, const RECT& r) {
  HWND p = R(child)->parent;
  InvalidateTree(p, Region(OffsetRect(r, R(p)->client.left, R(p)->client.top)), true);
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int w, int h, UINT flags) {
  WindowRecord* rec = Rec(hwnd);
  if (!rec) return 0;
  WINDOWPOS wp;
  wp.hwnd = hwnd;
  wp.hwndInsertAfter = insertAfter;
  wp.x = (flags & SWP_NOMOVE) ? rec->rect.left : x;
  wp.y = (flags & SWP_NOMOVE) ? rec->rect.top : y;
  wp.cx = (flags & SWP_NOSIZE) ? rec->Width() : std::max(0, w);
  wp.cy = (flags & SWP_NOSIZE) ? rec->Height() : std::max(0, h);
  wp.flags = flags;
  if ((flags & SWP_SHOWWINDOW) && rec->Visible()) wp.flags &= ~SWP_SHOWWINDOW;
  if ((flags & SWP_HIDEWINDOW) && !rec->Visible()) wp.flags &= ~SWP_HIDEWINDOW;
  if (!(flags & SWP_NOSENDCHANGING)) {
    SendMessage(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!Rec(hwnd)) return 0;
  }
  wp.cx = std::max(0, wp.cx);
  wp.cy = std::max(0, wp.cy);
  RECT old = rec->rect;
  bool wasVisible = rec->Visible();
  RECT now = Bounds(wp.x, wp.y, wp.cx, wp.cy);
  bool moved = now.left != old.left || now.top != old.top;
  bool sized = now.Width() != old.Width() || now.Height() != old.Height();
  if (!moved) wp.flags |= SWP_NOMOVE;
  if (!sized) wp.flags |= SWP_NOSIZE;
  rec->rect = now;
  if (sized || (wp.flags & SWP_FRAMECHANGED)) RecalcClientRect(hwnd);
  if (!Rec(hwnd)) return 0;

  if (!(wp.flags & SWP_NOZORDER)) {
    std::vector<HWND>& list = rec->IsChild() ? R(rec->parent)->children : WM().topLevels;
    list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
    if (wp.hwndInsertAfter == HWND_BOTTOM) list.push_back(hwnd);
    else if (!wp.hwndInsertAfter) list.insert(list.begin(), hwnd);
    else {
      auto it = std::find(list.begin(), list.end(), wp.hwndInsertAfter);
      list.insert(it == list.end() ? list.begin() : it + 1, hwnd);
    }
    if (rec->IsChild() && wasVisible) ExposeInParent(hwnd, now);
  }
  if (wp.flags & SWP_SHOWWINDOW) rec->style |= WS_VISIBLE;
  if (wp.flags & SWP_HIDEWINDOW) rec->style &= ~WS_VISIBLE;
  bool visible = rec->Visible();

  auto* display = platform::Display();
  if (rec->IsTopLevel()) {
    if (sized) AllocateSurface(hwnd);
    if (display && rec->native) {
      if (moved || sized) display->SetBounds(rec->native, now.left, now.top, std::max(1, now.Width()), std::max(1, now.Height()));
      if ((wp.flags & SWP_SHOWWINDOW)) display->Show(rec->native, !(wp.flags & SWP_NOACTIVATE));
      // Layered content is not painted again: what the last update gave shows.
      if ((wp.flags & SWP_SHOWWINDOW) && rec->layeredContent)
        PresentRects(hwnd, Region(Rect(0, 0, rec->surface.width, rec->surface.height)));
      if ((wp.flags & SWP_HIDEWINDOW)) display->Hide(rec->native);
      if (!(wp.flags & SWP_NOZORDER) && visible) {
        HWND after = wp.hwndInsertAfter;
        if (after != HWND_TOP && after != HWND_BOTTOM && Rec(after) && R(after)->IsTopLevel() && R(after)->native)
          display->StackBelow(rec->native, R(after)->native);
        else
          display->Raise(rec->native);
      }
    }
  } else {
    if (wasVisible && (moved || sized || !visible)) ExposeInParent(hwnd, old);
  }
  if (visible && (sized || moved || (wp.flags & (SWP_FRAMECHANGED | SWP_SHOWWINDOW)))) {
    // A resized top-level surface has lost its pixels; a child that moved must
    // be painted at its new place.
    if (sized || (rec->IsChild() && moved) || (wp.flags & SWP_SHOWWINDOW))
      InvalidateTree(hwnd, Region(Bounds(0, 0, now.Width(), now.Height())), true);
    else
      RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  }
  SendMessage(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  if (Rec(hwnd) && (wp.flags & SWP_SHOWWINDOW) && rec->IsTopLevel() && !(wp.flags & SWP_NOACTIVATE))
    ActivateWindow(hwnd, false);
  if (Rec(hwnd) && (wp.flags & SWP_HIDEWINDOW) && rec->IsTopLevel() && WM().active == hwnd) DeactivateWindow(hwnd);
  return 1;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int w, int h, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

// The maximised bounds: the work area, enlarged by the frame so the frame
// lies outside it, as the platform proposes before WM_GETMINMAXINFO.
static void Maximize(HWND hwnd) {
  WindowRecord* w = R(hwnd);
  if (!(w->style & (WS_MAXIMIZE | WS_MINIMIZE))) w->normalRect = w->rect;
  HMONITOR mon = MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
  MONITORINFO mi;
  GetMonitorInfo(mon, &mi);
  int frame = (w->style & WS_THICKFRAME) ? GetSystemMetrics(SM_CXFRAME) : (w->style & WS_CAPTION) ? GetSystemMetrics(SM_CXDLGFRAME) : 0;
  MINMAXINFO mmi;
  mmi.ptMaxPosition = {mi.rcWork.left - frame, mi.rcWork.top - frame};
  mmi.ptMaxSize = {mi.rcWork.Width() + 2 * frame, mi.rcWork.Height() + 2 * frame};
  mmi.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  mmi.ptMaxTrackSize = {mi.rcMonitor.Width() + 2 * frame, mi.rcMonitor.Height() + 2 * frame};
  SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  if (!Rec(hwnd)) return;
  w->style = (w->style & ~WS_MINIMIZE) | WS_MAXIMIZE;
  SetWindowPos(hwnd, nullptr, mmi.ptMaxPosition.x, mmi.ptMaxPosition.y, mmi.ptMaxSize.x, mmi.ptMaxSize.y,
               SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOSENDCHANGING);
  if (Rec(hwnd)) SendMessage(hwnd, WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(w->client.Width(), w->client.Height()));
}

static void Restore(HWND hwnd) {
  WindowRecord* w = R(hwnd);
  if (w->style & WS_MINIMIZE) {
    w->style &= ~WS_MINIMIZE;
    if (w->native)
      if (auto* d = platform::Display()) d->Show(w->native, true);
    if (!(w->style & WS_MAXIMIZE))
      SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->client.Width(), w->client.Height()));
    if (Rec(hwnd)) InvalidateTree(hwnd, Region(Bounds(0, 0, w->Width(), w->Height())), true);
    return;
  }
  if (w->style & WS_MAXIMIZE) {
    w->style &= ~WS_MAXIMIZE;
    RECT r = w->normalRect;
    SetWindowPos(hwnd, nullptr, r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | SWP_FRAMECHANGED);
  }
}

BOOL ShowWindow(HWND hwnd, int cmd) {
  WindowRecord* w = Rec(hwnd);
  if (!w) return 0;
  BOOL wasVisible = w->Visible();
  switch (cmd) {
    case SW_HIDE:
      if (!wasVisible) return 0;
      SendMessage(hwnd, WM_SHOWWINDOW, 0, 0);
      if (Rec(hwnd)) SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      if (!wasVisible) ShowWindow(hwnd, SW_SHOWNA);
      if (w->IsTopLevel() && Rec(hwnd) && !(w->style & WS_MINIMIZE)) {
        if (!(w->style & WS_MAXIMIZE)) w->normalRect = w->rect;
        w->style |= WS_MINIMIZE;
        if (w->native)
          if (auto* d = platform::Display()) d->Minimize(w->native);
        SendMessage(hwnd, WM_SIZE, SIZE_MINIMIZED, 0);
        if (Rec(hwnd) && WM().active == hwnd) DeactivateWindow(hwnd);
      }
      break;
    case SW_MAXIMIZE:
      if (!wasVisible) {
        SendMessage(hwnd, WM_SHOWWINDOW, 1, 0);
        if (Rec(hwnd)) SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER);
      }
      if (Rec(hwnd) && w->IsTopLevel() && !(w->style & WS_MAXIMIZE)) Maximize(hwnd);
      break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
      if (!wasVisible) {
        SendMessage(hwnd, WM_SHOWWINDOW, 1, 0);
        if (Rec(hwnd)) SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER);
      }
      if (Rec(hwnd) && (w->style & (WS_MINIMIZE | WS_MAXIMIZE))) Restore(hwnd);
      break;
    default: {  // SW_SHOW, SW_SHOWNA, SW_SHOWNOACTIVATE
      if (wasVisible) return 1;
      SendMessage(hwnd, WM_SHOWWINDOW, 1, 0);
      UINT f = SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER;
      if (cmd == SW_SHOWNA || cmd == SW_SHOWNOACTIVATE) f |= SWP_NOACTIVATE;
      if (Rec(hwnd)) SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, f);
    }
  }
  return wasVisible;
}
