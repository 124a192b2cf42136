// The menu loop: a menu window per open level (the popup menu and its open
// submenus), the pointer and the keys that move the selection, and what the
// menu's owner hears on the way.
#include <algorithm>
#include <cctype>
#include <memory>

#include "core/ScopeGuard.h"
#include "framework/controls/Menus.h"

namespace {

struct MenuLevel {
  TMenuItem* parent = nullptr;
  HWND window = nullptr;
  std::vector<TMenuItem*> items;
  std::vector<RECT> rects;  // client coordinates
  int hot = -1;
};

constexpr TColor kMenuFrameColor = clBtnShadow;

bool IsMouseMessage(UINT m) {
  return (m >= WM_MOUSEMOVE && m <= WM_MOUSEWHEEL) || (m >= WM_NCMOUSEMOVE && m <= WM_NCRBUTTONDBLCLK);
}
bool IsKeyMessage(UINT m) { return m >= WM_KEYDOWN && m <= WM_SYSCHAR; }
bool IsButtonDown(UINT m) {
  return m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN || m == WM_NCLBUTTONDOWN ||
         m == WM_NCRBUTTONDOWN || m == WM_LBUTTONDBLCLK || m == WM_RBUTTONDBLCLK || m == WM_NCLBUTTONDBLCLK;
}
bool IsButtonUp(UINT m) {
  return m == WM_LBUTTONUP || m == WM_RBUTTONUP || m == WM_MBUTTONUP || m == WM_NCLBUTTONUP || m == WM_NCRBUTTONUP;
}

bool Selectable(const TMenuItem* item) { return item->Visible && !item->IsLine(); }
bool Opens(const TMenuItem* item) { return item->Enabled && item->Count() > 0; }

class MenuLoop;
MenuLoop* g_active = nullptr;

class MenuLoop {
 public:
  MenuLoop(bool ownerDraw, HWND owner) : ownerDraw_(ownerDraw), owner_(owner) {}
  TMenuItem* Run(TMenuItem* items, int x, int y);
  void End() { ended_ = true; }
  void Paint(MenuLevel& level, HDC dc) {
    for (int i = 0; i < static_cast<int>(level.items.size()); ++i) DrawItem(level, dc, i);
  }
  std::vector<HWND> Windows() const {
    std::vector<HWND> out;
    for (const auto& l : levels_) out.push_back(l->window);
    return out;
  }

 private:
  void Open(TMenuItem* parent, int x, int y, const RECT* beside);
  void OpenSubmenu(size_t depth);
  void CloseFrom(size_t depth);
  void Select(size_t depth, int index);
  void Redraw(MenuLevel& level, int index);
  void DrawItem(MenuLevel& level, HDC dc, int index);
  void Measure(TMenuItem* item, int& w, int& h);
  bool Hit(POINT screen, size_t& depth, int& index) const;
  void Mouse(const MSG& m);
  void Key(const MSG& m);
  void Step(int direction);
  void Choose(TMenuItem* item);

  bool ownerDraw_;
  HWND owner_;
  std::vector<std::unique_ptr<MenuLevel>> levels_;
  bool ended_ = false;
  TMenuItem* chosen_ = nullptr;
};

LRESULT MenuWindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* level = reinterpret_cast<MenuLevel*>(GetWindowLongPtr(h, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCALCSIZE:
      if (wp) {
        RECT& r = reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0];
        r = {r.left + kMenuFrame, r.top + kMenuFrame, std::max(r.left + kMenuFrame, r.right - kMenuFrame),
             std::max(r.top + kMenuFrame, r.bottom - kMenuFrame)};
      }
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_NCPAINT: {
      RECT wr;
      GetWindowRect(h, &wr);
      HDC dc = GetWindowDC(h);
      HBRUSH frame = CreateSolidBrush(ColorToRGB(kMenuFrameColor));
      FillRect(dc, Rect(0, 0, wr.Width(), wr.Height()), GetSysColorBrush(COLOR_MENU));
      FrameRect(dc, Rect(0, 0, wr.Width(), wr.Height()), frame);
      DeleteObject(frame);
      ReleaseDC(h, dc);
      return 0;
    }
    case WM_ERASEBKGND: {
      RECT cr;
      GetClientRect(h, &cr);
      FillRect(reinterpret_cast<HDC>(wp), cr, GetSysColorBrush(COLOR_MENU));
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(h, &ps);
      if (g_active && level) g_active->Paint(*level, ps.hdc);
      EndPaint(h, &ps);
      return 0;
    }
    default:
      return DefWindowProc(h, msg, wp, lp);
  }
}

void RegisterMenuWindowClass() {
  static bool done = false;
  if (done) return;
  WNDCLASS wc;
  wc.lpszClassName = kMenuWindowClass;
  wc.lpfnWndProc = MenuWindowProc;
  wc.style = CS_SAVEBITS | CS_DBLCLKS;
  done = RegisterClass(wc);
}

void MenuLoop::Measure(TMenuItem* item, int& w, int& h) {
  // The plain measure, which an owner-drawn item's owner may change.
  TBitmap scratch;
  scratch.SetSize(1, 1);  // text is measured on a device
  TCanvas* c = scratch.Canvas();
  if (item->IsLine()) {
    w = 8;
    h = 7;
  } else {
    SIZE t = c->TextExtent(item->Caption);
    w = t.cx + 36 + (item->ShortCut ? c->TextWidth(ShortCutToText(item->ShortCut)) + 16 : 0);
    h = std::max<int>(t.cy + 6, 19);
  }
  if (!ownerDraw_) return;
  MEASUREITEMSTRUCT mis;
  mis.itemID = item->Command();
  mis.itemWidth = static_cast<UINT>(w);
  mis.itemHeight = static_cast<UINT>(h);
  mis.itemData = reinterpret_cast<std::uintptr_t>(item);
  SendMessage(owner_, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
  w = static_cast<int>(mis.itemWidth);
  h = static_cast<int>(mis.itemHeight);
}

void MenuLoop::Open(TMenuItem* parent, int x, int y, const RECT* beside) {
  auto level = std::make_unique<MenuLevel>();
  level->parent = parent;
  int width = 0, top = 0;
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    if (!item->Visible) continue;
    int w = 0, h = 0;
    Measure(item, w, h);
    level->items.push_back(item);
    level->rects.push_back(Rect(0, top, w, top + h));
    width = std::max(width, w);
    top += h;
  }
  if (level->items.empty()) return;
  for (RECT& r : level->rects) r.right = width;
  const int w = width + 2 * kMenuFrame, h = top + 2 * kMenuFrame;
  // On the monitor: a submenu that does not fit to the right of its parent
  // opens to the left; a menu that does not fit below opens above.
  MONITORINFO mi;
  GetMonitorInfo(MonitorFromPoint({x, y}, MONITOR_DEFAULTTONEAREST), &mi);
  const RECT work = mi.rcWork;
  if (x + w > work.right) x = beside ? beside->left - w + kMenuFrame : work.right - w;
  if (y + h > work.bottom) y = beside ? work.bottom - h : y - h;
  x = std::max<int>(x, work.left);
  y = std::max<int>(y, work.top);
  RegisterMenuWindowClass();
  HWND wnd = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kMenuWindowClass, "", WS_POPUP, x, y, w, h, nullptr);
  if (!wnd) return;
  level->window = wnd;
  SetWindowLongPtr(wnd, GWLP_USERDATA, reinterpret_cast<std::intptr_t>(level.get()));
  levels_.push_back(std::move(level));
  SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
  UpdateWindow(wnd);
}

void MenuLoop::OpenSubmenu(size_t depth) {
  MenuLevel& level = *levels_[depth];
  if (level.hot < 0 || levels_.size() > depth + 1) return;
  TMenuItem* item = level.items[static_cast<size_t>(level.hot)];
  if (!Opens(item)) return;
  RECT wr;
  GetWindowRect(level.window, &wr);
  const RECT& r = level.rects[static_cast<size_t>(level.hot)];
  Open(item, wr.right - kMenuFrame, wr.top + r.top, &wr);
}

void MenuLoop::CloseFrom(size_t depth) {
  while (levels_.size() > depth) {
    HWND w = levels_.back()->window;
    if (GetCapture() == w) ReleaseCapture();
    DestroyWindow(w);
    levels_.pop_back();
  }
}

void MenuLoop::Redraw(MenuLevel& level, int index) {
  if (index < 0 || !IsWindow(level.window)) return;
  HDC dc = GetDC(level.window);
  DrawItem(level, dc, index);
  ReleaseDC(level.window, dc);
}

void MenuLoop::Select(size_t depth, int index) {
  MenuLevel& level = *levels_[depth];
  if (level.hot == index) return;
  CloseFrom(depth + 1);
  const int old = level.hot;
  level.hot = index;
  Redraw(level, old);
  Redraw(level, index);
  if (index < 0) return;
  TMenuItem* item = level.items[static_cast<size_t>(index)];
  SendMessage(owner_, WM_MENUSELECT, MAKELPARAM(static_cast<int>(item->Command()), 0),
              reinterpret_cast<LPARAM>(level.parent));
}

void MenuLoop::DrawItem(MenuLevel& level, HDC dc, int index) {
  TMenuItem* item = level.items[static_cast<size_t>(index)];
  UINT state = 0;
  if (index == level.hot) state |= odSelected;
  if (!item->Enabled) state |= odGrayed | odDisabled;
  if (item->Checked()) state |= odChecked;
  if (item->Default) state |= odDefault;
  if (!ownerDraw_) {
    TCanvas canvas;
    canvas.SetHandle(dc);
    DrawPlainMenuItem(item, &canvas, level.rects[static_cast<size_t>(index)], state);
    canvas.SetHandle(nullptr);
    return;
  }
  DRAWITEMSTRUCT dis;
  dis.itemID = item->Command();
  dis.itemState = state;
  dis.hwndItem = level.window;
  dis.hDC = dc;
  dis.rcItem = level.rects[static_cast<size_t>(index)];
  dis.itemData = reinterpret_cast<std::uintptr_t>(item);
  SendMessage(owner_, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
}

bool MenuLoop::Hit(POINT p, size_t& depth, int& index) const {
  for (size_t d = levels_.size(); d-- > 0;) {
    RECT wr;
    GetWindowRect(levels_[d]->window, &wr);
    if (!wr.Contains(p.x, p.y)) continue;
    depth = d;
    index = -1;
    const int cx = p.x - wr.left - kMenuFrame, cy = p.y - wr.top - kMenuFrame;
    for (size_t i = 0; i < levels_[d]->rects.size(); ++i)
      if (levels_[d]->rects[i].Contains(cx, cy)) index = static_cast<int>(i);
    return true;
  }
  return false;
}

void MenuLoop::Mouse(const MSG& m) {
  size_t depth = 0;
  int index = -1;
  const bool over = Hit(m.pt, depth, index);
  if (IsButtonDown(m.message)) {
    // A press outside every menu level ends the loop and goes nowhere else.
    if (!over) ended_ = true;
    return;
  }
  TMenuItem* item = over && index >= 0 ? levels_[depth]->items[static_cast<size_t>(index)] : nullptr;
  if (IsButtonUp(m.message)) {
    if (item && item->Enabled && Selectable(item) && item->Count() == 0) Choose(item);
    return;
  }
  if (m.message != WM_MOUSEMOVE && m.message != WM_NCMOUSEMOVE) return;
  if (item && Selectable(item)) {
    Select(depth, index);
    OpenSubmenu(depth);
  } else if (!over || index < 0) {
    // Off the items: the deepest level loses its selection unless it leads
    // to an open submenu.
    size_t last = levels_.size() - 1;
    if (!over || depth == last) Select(last, -1);
  } else {
    Select(depth, -1);
  }
}

void MenuLoop::Step(int direction) {
  MenuLevel& level = *levels_.back();
  const int n = static_cast<int>(level.items.size());
  int i = level.hot;
  for (int tries = 0; tries < n; ++tries) {
    i = i < 0 ? (direction > 0 ? 0 : n - 1) : (i + direction + n) % n;
    if (Selectable(level.items[static_cast<size_t>(i)])) {
      Select(levels_.size() - 1, i);
      return;
    }
  }
}

void MenuLoop::Key(const MSG& m) {
  if (m.message == WM_CHAR || m.message == WM_SYSCHAR) {
    MenuLevel& level = *levels_.back();
    const char c = static_cast<char>(std::toupper(static_cast<int>(m.wParam & 0xFF)));
    for (size_t i = 0; i < level.items.size(); ++i) {
      TMenuItem* item = level.items[i];
      if (!Selectable(item) || MenuAccelerator(item->Caption) != c) continue;
      Select(levels_.size() - 1, static_cast<int>(i));
      if (Opens(item)) OpenSubmenu(levels_.size() - 1);
      else if (item->Enabled) Choose(item);
      return;
    }
    return;
  }
  if (m.message != WM_KEYDOWN && m.message != WM_SYSKEYDOWN) return;
  MenuLevel& level = *levels_.back();
  TMenuItem* hot = level.hot >= 0 ? level.items[static_cast<size_t>(level.hot)] : nullptr;
  switch (m.wParam) {
    case VK_ESCAPE:
    case VK_LEFT:
      if (levels_.size() > 1) CloseFrom(levels_.size() - 1);
      else if (m.wParam == VK_ESCAPE) ended_ = true;
      break;
    case VK_MENU:
    case VK_F10:
      ended_ = true;
      break;
    case VK_UP: Step(-1); break;
    case VK_DOWN: Step(1); break;
    case VK_RIGHT:
    case VK_RETURN:
      if (hot && Opens(hot)) {
        OpenSubmenu(levels_.size() - 1);
        Step(1);
      } else if (hot && m.wParam == VK_RETURN && hot->Enabled && Selectable(hot)) {
        Choose(hot);
      }
      break;
    default:
      break;
  }
}

void MenuLoop::Choose(TMenuItem* item) {
  chosen_ = item;
  ended_ = true;
}

TMenuItem* MenuLoop::Run(TMenuItem* items, int x, int y) {
  SendMessage(owner_, WM_ENTERMENULOOP, 1, 0);
  Open(items, x, y, nullptr);
  if (!levels_.empty()) SetCapture(levels_[0]->window);
  MSG m;
  while (!ended_ && !levels_.empty()) {
    if (!GetMessage(&m, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    if (IsMouseMessage(m.message)) Mouse(m);
    else if (IsKeyMessage(m.message)) Key(m);
    else {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
    // Whoever takes the capture away ends the menu, as on the platform.
    if (!levels_.empty() && GetCapture() != levels_[0]->window) ended_ = true;
  }
  CloseFrom(0);
  SendMessage(owner_, WM_MENUSELECT, MAKELPARAM(0, 0xFFFF), 0);
  SendMessage(owner_, WM_EXITMENULOOP, 1, 0);
  if (chosen_) PostMessage(owner_, WM_COMMAND, chosen_->Command(), 0);
  return chosen_;
}

}  // namespace

TMenuItem* TrackPopupMenu(TMenuItem* Items, bool OwnerDraw, int X, int Y, HWND Owner) {
  // One menu loop at a time.
  if (g_active || !Items) return nullptr;
  MenuLoop loop(OwnerDraw, Owner);
  g_active = &loop;
  SetMenuLoopEnder(&EndMenu);
  ScopeExit clear([] {
    g_active = nullptr;
    SetMenuLoopEnder(nullptr);
  });
  return loop.Run(Items, X, Y);
}

void EndMenu() {
  if (g_active) g_active->End();
}

std::vector<HWND> MenuWindows() { return g_active ? g_active->Windows() : std::vector<HWND>{}; }
