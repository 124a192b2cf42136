// What a window does with a message it leaves to the system: the default
// non-client area (frame, caption with title and close box), hit testing,
// system commands, cursors, and the built-in move and size loop.
#include <algorithm>
#include <optional>

#include "core/SysUtils.h"
#include "framework/paint/GdiInternal.h"
#include "framework/windows/WindowRecord.h"
#include "platform/CodePage.h"

namespace {

void (*g_menuLoopEnder)() = nullptr;

int FrameWidth(const WindowRecord* w) {
  int f = 0;
  if (w->IsTopLevel()) {
    if (w->style & WS_THICKFRAME) f = GetSystemMetrics(SM_CXFRAME);
    else if ((w->style & WS_CAPTION) == WS_CAPTION || (w->style & WS_DLGFRAME)) f = GetSystemMetrics(SM_CXDLGFRAME);
    else if (w->style & WS_BORDER) f = 1;
  } else if (w->style & WS_BORDER) {
    f = 1;
  }
  if (w->exStyle & WS_EX_CLIENTEDGE) f += 2;
  if (w->style & WS_MAXIMIZE) f = std::min(f, GetSystemMetrics(SM_CXFRAME));
  return f;
}

int CaptionHeight(const WindowRecord* w) {
  return w->IsTopLevel() && (w->style & WS_CAPTION) == WS_CAPTION ? GetSystemMetrics(SM_CYCAPTION) : 0;
}

RECT CloseBoxRect(const WindowRecord* w) {
  if (!(w->style & WS_SYSMENU) || !CaptionHeight(w)) return {};
  int f = FrameWidth(w), c = CaptionHeight(w);
  return Rect(w->Width() - f - c - 8, f, w->Width() - f, f + c);
}

int HitTest(HWND hwnd, POINT s) {
  RECT wr = ScreenRectOf(hwnd);
  int x = s.x - wr.left, y = s.y - wr.top;
  WindowRecord* w = R(hwnd);
  if (x < 0 || y < 0 || x >= w->Width() || y >= w->Height()) return HTNOWHERE;
  if (w->client.Contains(x, y)) return HTCLIENT;
  if (w->IsTopLevel() && (w->style & WS_THICKFRAME) && !(w->style & WS_MAXIMIZE)) {
    int f = FrameWidth(w), corner = f + CaptionHeight(w);
    bool l = x < f, r = x >= w->Width() - f, t = y < f, b = y >= w->Height() - f;
    bool lc = x < corner, rc = x >= w->Width() - corner, tc = y < corner, bc = y >= w->Height() - corner;
    if ((t && lc) || (l && tc)) return HTTOPLEFT;
    if ((t && rc) || (r && tc)) return HTTOPRIGHT;
    if ((b && lc) || (l && bc)) return HTBOTTOMLEFT;
    if ((b && rc) || (r && bc)) return HTBOTTOMRIGHT;
    if (l) return HTLEFT;
    if (r) return HTRIGHT;
    if (t) return HTTOP;
    if (b) return HTBOTTOM;
  }
  if (CaptionHeight(w) && y < FrameWidth(w) + CaptionHeight(w)) {
    if (CloseBoxRect(w).Contains(x, y)) return HTCLOSE;
    return HTCAPTION;
  }
  return HTBORDER;
}

void PaintNonClient(HWND hwnd) {
  WindowRecord* w = R(hwnd);
  if (w->client == Rect(0, 0, w->Width(), w->Height())) return;
  HDC dc = GetWindowDC(hwnd);
  if (!dc) return;
  ExcludeClipRect(dc, w->client.left, w->client.top, w->client.right, w->client.bottom);
  RECT all = Rect(0, 0, w->Width(), w->Height());
  FillRect(dc, all, GetSysColorBrush(COLOR_BTNFACE));
  FrameRect(dc, all, GetSysColorBrush(w->IsTopLevel() ? COLOR_WINDOWFRAME : COLOR_BTNSHADOW));
  if (int c = CaptionHeight(w)) {
    int f = FrameWidth(w);
    bool active = WM().active == hwnd;
    RECT cap = Rect(f, f, w->Width() - f, f + c);
    FillRect(dc, cap, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT text = cap;
    text.left += 6;
    RECT box = CloseBoxRect(w);
    if (!box.IsEmpty()) text.right = box.left;
    DrawTextA(dc, w->text, &text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    if (!box.IsEmpty()) {
      // A plain cross marks the close box.
      int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
      HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
      for (int d = 0; d < 2; ++d) {
        MoveToEx(dc, cx - 4 + d, cy - 4, nullptr);
        LineTo(dc, cx + 5 + d, cy + 5);
        MoveToEx(dc, cx + 4 + d, cy - 4, nullptr);
        LineTo(dc, cx - 5 + d, cy + 5);
      }
      SelectObject(dc, oldPen);
    }
  }
  ReleaseDC(hwnd, dc);
}

int CursorFor(HWND hwnd, int hit) {
  WindowRecord& w = *R(hwnd);
  switch (hit) {
    case HTLEFT: case HTRIGHT: return IDC_SIZEWE;
    case HTTOP: case HTBOTTOM: return IDC_SIZENS;
    case HTTOPLEFT: case HTBOTTOMRIGHT: return IDC_SIZENWSE;
    case HTTOPRIGHT: case HTBOTTOMLEFT: return IDC_SIZENESW;
    case HTCLIENT: return w.cls && w.cls->wc.hCursor ? w.cls->wc.hCursor : IDC_ARROW;
    default: return IDC_ARROW;
  }
}

}  // namespace

void SetMenuLoopEnder(void (*end)()) { g_menuLoopEnder = end; }

RECT DefaultClientRect(HWND hwnd, const RECT& r) {
  int f = FrameWidth(R(hwnd)), c = CaptionHeight(R(hwnd));
  RECT out{r.left + f, r.top + f + c, r.right - f, r.bottom - f};
  out.right = std::max(out.right, out.left);
  out.bottom = std::max(out.bottom, out.top);
  return out;
}

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WindowRecord* w = Rec(hwnd);
  if (!w) return 0;
  switch (msg) {
    case WM_NCCREATE:
      return 1;
    case WM_NCCALCSIZE:
      if (wp) {
        auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(lp);
        p->rgrc[0] = DefaultClientRect(hwnd, p->rgrc[0]);
      }
      return 0;
    case WM_NCHITTEST:
      return HitTest(hwnd, {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    case WM_NCPAINT:
      PaintNonClient(hwnd);
      return 0;
    case WM_NCACTIVATE:
      if (w->IsTopLevel() && CaptionHeight(w) && w->Visible()) PaintNonClient(hwnd);
      return 1;
    case WM_ERASEBKGND: {
      HBRUSH br = w->cls ? w->cls->wc.hbrBackground : nullptr;
      if (!br) return 0;
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wp), r, br);
      return 1;
    }
    case WM_PAINT: {
      if (wp) return 0;  // painting on a DC the caller gave: nothing of ours to add
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SETTEXT:
      w->text = lp ? *reinterpret_cast<const AnsiString*>(lp) : AnsiString();
      if (w->IsTopLevel()) {
        if (w->native && !w->nativeTitle)
          if (auto* d = platform::Display()) d->SetTitle(w->native, platform::Cp936ToUtf8(w->text));
        if (CaptionHeight(w) && w->Visible()) PaintNonClient(hwnd);
      }
      return 1;
    case WM_GETTEXT:
      if (lp) *reinterpret_cast<AnsiString*>(lp) = w->text;
      return static_cast<LRESULT>(w->text.size());
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
    case WM_SETCURSOR: {
      if (w->IsChild() && SendMessage(w->parent, WM_SETCURSOR, wp, lp)) return 1;
      SetCursor(CursorFor(hwnd, static_cast<short>(LOWORD(static_cast<std::uintptr_t>(lp)))));
      return 1;
    }
    case WM_NCLBUTTONDOWN:
      if (wp == HTCAPTION) SendMessage(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lp);
      else if (wp >= HTLEFT && wp <= HTBOTTOMRIGHT) SendMessage(hwnd, WM_SYSCOMMAND, SC_SIZE + (wp - HTLEFT + 1), lp);
      return 0;
    case WM_NCLBUTTONUP:
      if (wp == HTCLOSE) SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, lp);
      return 0;
    case WM_NCLBUTTONDBLCLK:
      if (wp == HTCAPTION && w->IsTopLevel() && (w->style & WS_MAXIMIZEBOX))
        SendMessage(hwnd, WM_SYSCOMMAND, (w->style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, lp);
      return 0;
    case WM_SYSCOMMAND:
      switch (wp & 0xFFF0) {
        case SC_MOVE: RunMoveSizeLoop(hwnd, HTCAPTION); break;
        case SC_SIZE: RunMoveSizeLoop(hwnd, static_cast<int>(wp & 0x0F) + HTLEFT - 1); break;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); break;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
        case SC_CLOSE: SendMessage(hwnd, WM_CLOSE, 0, 0); break;
      }
      return 0;
    case WM_SYSKEYDOWN:
      if (wp == VK_F4 && w->IsTopLevel()) PostMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_CANCELMODE:
      if (g_menuLoopEnder) g_menuLoopEnder();
      if (GetCapture() == hwnd) ReleaseCapture();
      return 0;
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
      if (w->IsTopLevel() && !(pos->flags & SWP_NOSIZE) && (w->style & (WS_THICKFRAME | WS_CAPTION))) {
        MINMAXINFO mmi;
        RECT work = GetWorkArea();
        mmi.ptMaxSize = {work.Width(), work.Height()};
        mmi.ptMaxPosition = {work.left, work.top};
        mmi.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
        mmi.ptMaxTrackSize = {GetSystemMetrics(SM_CXSCREEN) + 12, GetSystemMetrics(SM_CYSCREEN) + 12};
        SendMessage(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
        if (!(w->style & WS_MAXIMIZE)) {
          if (mmi.ptMaxTrackSize.x > 0) pos->cx = std::min(pos->cx, mmi.ptMaxTrackSize.x);
          if (mmi.ptMaxTrackSize.y > 0) pos->cy = std::min(pos->cy, mmi.ptMaxTrackSize.y);
          pos->cx = std::max(pos->cx, mmi.ptMinTrackSize.x);
          pos->cy = std::max(pos->cy, mmi.ptMinTrackSize.y);
        }
      }
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
      if (!(pos->flags & SWP_NOMOVE))
        SendMessage(hwnd, WM_MOVE, 0, MAKELPARAM(w->rect.left + w->client.left, w->rect.top + w->client.top));
      if (Rec(hwnd) && !(pos->flags & SWP_NOSIZE))
        SendMessage(hwnd, WM_SIZE, (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED,
                    MAKELPARAM(w->client.Width(), w->client.Height()));
      return 0;
    }
    default:
      return 0;
  }
}

// The display's name for what a sizing or caption hit test drags.
static std::optional<platform::MoveSizeEdge> MoveSizeEdgeOf(int hit) {
  using E = platform::MoveSizeEdge;
  switch (hit) {
    case HTCAPTION: return E::Move;
    case HTLEFT: return E::Left;
    case HTRIGHT: return E::Right;
    case HTTOP: return E::Top;
    case HTTOPLEFT: return E::TopLeft;
    case HTTOPRIGHT: return E::TopRight;
    case HTBOTTOM: return E::Bottom;
    case HTBOTTOMLEFT: return E::BottomLeft;
    case HTBOTTOMRIGHT: return E::BottomRight;
    default: return std::nullopt;
  }
}

void RunMoveSizeLoop(HWND hwnd, int hit) {
  WindowRecord* w = Rec(hwnd);
  if (!w || !w->IsTopLevel() || !(GetKeyState(VK_LBUTTON) & 0x8000)) return;
  POINT start;
  GetCursorPos(&start);
  if (WM().current.message) start = WM().current.pt;
  if (w->native)
    if (auto* d = platform::Display())
      if (auto edge = MoveSizeEdgeOf(hit)) {
        d->SetModalIdle(DispatchWhileSystemModal);
        if (d->BeginSystemMoveSize(w->native, *edge, start.x, start.y, 1)) return;
      }
  RECT orig = w->rect;
  SetCapture(hwnd);
  SendMessage(hwnd, WM_ENTERSIZEMOVE, 0, 0);
  MSG m;
  bool cancel = false;
  while (Rec(hwnd) && GetCapture() == hwnd) {
    if (!GetMessage(&m, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (m.message == WM_MOUSEMOVE || m.message == WM_LBUTTONUP) {
      int dx = m.pt.x - start.x, dy = m.pt.y - start.y;
      RECT r = orig;
      if (hit == HTCAPTION) {
        r = OffsetRect(orig, dx, dy);
        SendMessage(hwnd, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
      } else {
        if (hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT) r.left += dx;
        if (hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT) r.right += dx;
        if (hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT) r.top += dy;
        if (hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT) r.bottom += dy;
        SendMessage(hwnd, WM_SIZING, static_cast<WPARAM>(hit - HTLEFT + 1), reinterpret_cast<LPARAM>(&r));
      }
      if (!Rec(hwnd)) return;
      SetWindowPos(hwnd, nullptr, r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
      if (m.message == WM_LBUTTONUP || !(m.wParam & MK_LBUTTON)) break;
      continue;
    }
    if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) {
      cancel = true;
      break;
    }
    if ((m.message >= WM_LBUTTONDOWN && m.message <= WM_MOUSEWHEEL) || m.message == WM_KEYDOWN) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  if (!Rec(hwnd)) return;
  if (cancel) SetWindowPos(hwnd, nullptr, orig.left, orig.top, orig.Width(), orig.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  if (GetCapture() == hwnd) ReleaseCapture();
  SendMessage(hwnd, WM_EXITSIZEMOVE, 0, 0);
}
