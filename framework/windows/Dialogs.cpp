// The plain modal message box.
#include "framework/windows/Dialogs.h"

#include <algorithm>

#include "framework/windows/WindowRecord.h"
#include "platform/CodePage.h"

namespace {

MessageBoxHook g_hook;

// A brush per colour, kept for the life of the process (button painting).
HBRUSH CreateSolidBrushCached(COLORREF c) {
  static auto* cache = new std::vector<std::pair<COLORREF, HBRUSH>>;  // never freed: process lifetime
  for (auto& [k, v] : *cache)
    if (k == c) return v;
  cache->emplace_back(c, CreateSolidBrush(c));
  return cache->back().second;
}

constexpr int kButtonW = 75, kButtonH = 23, kMargin = 12, kIconSize = 32;

struct Box {
  AnsiString text;
  UINT type = 0;
  int result = 0;
  int cancelId = IDCANCEL;
  int defaultId = IDOK;
  HFONT font = nullptr;
  HFONT glyphFont = nullptr;
  RECT textRect, iconRect;
  int bandTop = 0;
  std::vector<HWND> buttons;
};

Box* BoxOf(HWND h) { return reinterpret_cast<Box*>(GetWindowLongPtr(h, GWLP_USERDATA)); }

int IconKind(UINT type) { return static_cast<int>(type & 0xF0); }

void PaintIcon(HDC dc, const RECT& r, int kind, HFONT glyphFont) {
  COLORREF fill;
  const char16_t* glyph;
  switch (kind) {
    case MB_ICONERROR: fill = RGB(232, 17, 35), glyph = u"\u00D7"; break;
    case MB_ICONQUESTION: fill = RGB(0, 99, 177), glyph = u"?"; break;
    case MB_ICONWARNING: fill = RGB(255, 185, 0), glyph = u"!"; break;
    default: fill = RGB(0, 99, 177), glyph = u"i"; break;
  }
  HRGN circle = CreateEllipticRgn(r.left, r.top, r.right, r.bottom);
  HBRUSH br = CreateSolidBrush(fill);
  FillRgn(dc, circle, br);
  DeleteObject(br);
  DeleteObject(circle);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kind == MB_ICONWARNING ? RGB(0, 0, 0) : RGB(255, 255, 255));
  HGDIOBJ old = SelectObject(dc, glyphFont);
  RECT g = r;
  DrawTextW(dc, glyph, &g, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
  SelectObject(dc, old);
}

LRESULT ButtonProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT r;
      GetClientRect(h, &r);
      bool pressed = GetWindowLongPtr(h, GWLP_USERDATA) != 0;
      bool focused = GetFocus() == h;
      FillRect(dc, r, CreateSolidBrushCached(pressed ? RGB(204, 228, 247) : RGB(225, 225, 225)));
      FrameRect(dc, r, CreateSolidBrushCached(focused ? RGB(0, 120, 215) : RGB(173, 173, 173)));
      if (focused) {
        RECT in{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        FrameRect(dc, in, CreateSolidBrushCached(RGB(0, 120, 215)));
      }
      HWND box = GetParent(h);
      if (Box* b = BoxOf(box)) SelectObject(dc, b->font);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(0, 0, 0));
      DrawTextA(dc, GetWindowText(h), &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
      SetFocus(h);
      SetCapture(h);
      SetWindowLongPtr(h, GWLP_USERDATA, 1);
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_LBUTTONUP: {
      bool pressed = GetWindowLongPtr(h, GWLP_USERDATA) != 0;
      SetWindowLongPtr(h, GWLP_USERDATA, 0);
      ReleaseCapture();
      InvalidateRect(h, nullptr, FALSE);
      RECT r;
      GetClientRect(h, &r);
      if (pressed && r.Contains(GET_X_LPARAM(lp), GET_Y_LPARAM(lp)))
        PostMessage(GetParent(h), WM_COMMAND, static_cast<WPARAM>(GetWindowLongPtr(h, GWLP_ID)), 0);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    default:
      return DefWindowProc(h, msg, wp, lp);
  }
}

LRESULT BoxProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  Box* b = BoxOf(h);
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      if (b) {
        RECT r;
        GetClientRect(h, &r);
        FillRect(dc, Rect(0, 0, r.right, b->bandTop), GetStockBrush(WHITE_BRUSH));
        FillRect(dc, Rect(0, b->bandTop, r.right, r.bottom), GetSysColorBrush(COLOR_BTNFACE));
        if (IconKind(b->type)) PaintIcon(dc, b->iconRect, IconKind(b->type), b->glyphFont);
        SelectObject(dc, b->font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 0));
        RECT t = b->textRect;
        DrawTextA(dc, b->text, &t, DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
      }
      EndPaint(h, &ps);
      return 0;
    }
    case WM_COMMAND:
      if (b) b->result = static_cast<int>(wp);
      return 0;
    case WM_CLOSE:
      if (b) b->result = b->cancelId;
      return 0;
    default:
      return DefWindowProc(h, msg, wp, lp);
  }
}

void RegisterClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASS box;
  box.lpszClassName = "QuelboMessageBox";
  box.lpfnWndProc = BoxProc;
  RegisterClass(box);
  WNDCLASS button;
  button.lpszClassName = "QuelboMessageBoxButton";
  button.lpfnWndProc = ButtonProc;
  RegisterClass(button);
}

// The letter or digit a label underlines ("是(&Y)" underlines Y), upper case; 0 for none.
unsigned Mnemonic(const AnsiString& label) {
  for (std::size_t i = 0; i + 1 < label.size(); ++i) {
    if (label[i] != '&') continue;
    const char c = label[++i];
    if (c >= 'a' && c <= 'z') return static_cast<unsigned>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return static_cast<unsigned char>(c);
  }
  return 0;
}

// Moves the focus among the buttons, or presses one; true when the key was the box's.
bool BoxKey(Box& b, const MSG& m) {
  // A button's underlined letter presses it, with Alt or without.
  if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN)
    for (HWND button : b.buttons)
      if (m.wParam != 0 && Mnemonic(GetWindowText(button)) == m.wParam) {
        b.result = static_cast<int>(GetWindowLongPtr(button, GWLP_ID));
        return true;
      }
  // Other keys with Alt are the system's (Alt+F4 closes the box).
  if (m.message != WM_KEYDOWN) return m.message == WM_CHAR || m.message == WM_KEYUP;
  HWND focus = GetFocus();
  auto it = std::find(b.buttons.begin(), b.buttons.end(), focus);
  switch (m.wParam) {
    case VK_RETURN:
    case VK_SPACE:
      b.result = it != b.buttons.end() ? static_cast<int>(GetWindowLongPtr(*it, GWLP_ID)) : b.defaultId;
      return true;
    case VK_ESCAPE:
      b.result = b.cancelId;
      return true;
    case VK_TAB:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_LEFT:
    case VK_UP: {
      if (b.buttons.empty()) return true;
      int n = static_cast<int>(b.buttons.size());
      int i = it == b.buttons.end() ? 0 : static_cast<int>(it - b.buttons.begin());
      bool back = m.wParam == VK_LEFT || m.wParam == VK_UP || (m.wParam == VK_TAB && GetKeyState(VK_SHIFT) < 0);
      SetFocus(b.buttons[static_cast<size_t>((i + (back ? n - 1 : 1)) % n)]);
      return true;
    }
    default:
      return true;
  }
}

// Every other window of the program waits while a box is up; the windows
// disabled for it, to enable again.
std::vector<HWND> DisableOthers(HWND box) {
  std::vector<HWND> disabled;
  for (HWND t : GetTopLevelWindows())
    if (t != box && IsWindowEnabled(t)) {
      EnableWindow(t, FALSE);
      disabled.push_back(t);
    }
  return disabled;
}

void EnableAgain(const std::vector<HWND>& disabled) {
  for (HWND t : disabled)
    if (IsWindow(t)) EnableWindow(t, TRUE);
}

// The system's own box, with the same texts, icon and buttons; the program's
// messages go on being handled while it is up.
int SystemBox(platform::DisplayBackend& d, HWND owner, const AnsiString& text, const AnsiString& caption, UINT type) {
  HWND top = owner && IsWindow(owner) ? TopLevelOf(owner) : nullptr;
  std::vector<HWND> disabled = DisableOthers(nullptr);
  d.SetModalIdle(DispatchWhileSystemModal);
  int answer = d.SystemMessageBox(top ? R(top)->native : 0, platform::Cp936ToUtf8(text), platform::Cp936ToUtf8(caption),
                                  type);
  EnableAgain(disabled);
  if (top && IsWindow(top)) SetActiveWindow(top);
  return answer;
}

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  MessageBoxHook old = std::move(g_hook);
  g_hook = std::move(hook);
  return old;
}

int MessageBoxA(HWND owner, const AnsiString& text, const AnsiString& caption, UINT type) {
  if (g_hook) return g_hook({owner, text, caption, type});
  if (platform::DisplayBackend* d = platform::Display(); d && d->HasSystemMessageBox())
    return SystemBox(*d, owner, text, caption, type);
  RegisterClasses();
  Box b;
  b.text = text;
  b.type = type;
  std::vector<std::pair<int, const char16_t*>> buttons;
  switch (type & 0xF) {
    case MB_OKCANCEL: buttons = {{IDOK, u"确定"}, {IDCANCEL, u"取消"}}; break;
    case MB_YESNO: buttons = {{IDYES, u"是(&Y)"}, {IDNO, u"否(&N)"}}; b.cancelId = IDNO; break;
    case MB_YESNOCANCEL: buttons = {{IDYES, u"是(&Y)"}, {IDNO, u"否(&N)"}, {IDCANCEL, u"取消"}}; break;
    default: buttons = {{IDOK, u"确定"}}; b.cancelId = IDOK; break;
  }
  size_t def = (type & MB_DEFBUTTON2) && buttons.size() > 1 ? 1 : 0;
  b.defaultId = buttons[def].first;

  LOGFONT lf;
  lf.lfHeight = -12;
  lf.lfFaceName = "Microsoft YaHei";
  b.font = CreateFontIndirect(lf);
  lf.lfHeight = -24;
  lf.lfWeight = FW_BOLD;
  b.glyphFont = CreateFontIndirect(lf);

  // Measure the text on a scratch DC to size the box.
  RECT work = GetWorkArea();
  int maxText = std::max(200, work.Width() * 2 / 3 - 100);
  HDC scratch = CreateCompatibleDC(nullptr);
  SelectObject(scratch, b.font);
  RECT tr = Rect(0, 0, maxText, 0);
  DrawTextA(scratch, text.empty() ? AnsiString(" ") : text, &tr, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  DeleteDC(scratch);
  bool icon = IconKind(type) != 0;
  int textLeft = kMargin * 2 + (icon ? kIconSize + kMargin : 0);
  int body = std::max(icon ? kIconSize : 0, tr.Height());
  int textTop = kMargin * 2 + (body - tr.Height()) / 2;
  b.iconRect = Bounds(kMargin * 2, kMargin * 2 + (body - kIconSize) / 2, kIconSize, kIconSize);
  b.textRect = Bounds(textLeft, textTop, tr.Width() + 1, tr.Height());
  b.bandTop = kMargin * 4 + body;
  int n = static_cast<int>(buttons.size());
  int buttonsW = n * kButtonW + (n - 1) * 8;
  int clientW = std::max({textLeft + tr.Width() + kMargin * 2, buttonsW + kMargin * 2, 240});
  int clientH = b.bandTop + kButtonH + kMargin * 2;

  HWND box = CreateWindowEx(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, "QuelboMessageBox", caption,
                            WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, clientW, clientH, owner);
  if (!box) return 0;
  SetWindowLongPtr(box, GWLP_USERDATA, reinterpret_cast<std::intptr_t>(&b));
  RECT wr, cr;
  GetWindowRect(box, &wr);
  GetClientRect(box, &cr);
  int w = clientW + wr.Width() - cr.Width(), h = clientH + wr.Height() - cr.Height();
  SetWindowPos(box, nullptr, work.left + (work.Width() - w) / 2, work.top + (work.Height() - h) / 2, w, h,
               SWP_NOZORDER | SWP_NOACTIVATE);
  for (int i = 0; i < n; ++i) {
    int x = clientW - kMargin - buttonsW + i * (kButtonW + 8);
    AnsiString label = platform::Utf16ToCp936(buttons[static_cast<size_t>(i)].second);
    HWND bh = CreateWindowEx(0, "QuelboMessageBoxButton", label, WS_CHILD | WS_VISIBLE | WS_TABSTOP, x,
                             b.bandTop + kMargin, kButtonW, kButtonH, box);
    SetWindowLongPtr(bh, GWLP_ID, buttons[static_cast<size_t>(i)].first);
    b.buttons.push_back(bh);
  }

  std::vector<HWND> disabled = DisableOthers(box);
  ShowWindow(box, SW_SHOWNORMAL);
  SetForegroundWindow(box);
  SetFocus(b.buttons[def]);

  MSG m;
  while (!b.result && IsWindow(box)) {
    if (!GetMessage(&m, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(m.wParam));
      b.result = b.cancelId;
      break;
    }
    if ((m.hwnd == box || IsChild(box, m.hwnd)) && (m.message >= WM_KEYDOWN && m.message <= WM_SYSCHAR) &&
        BoxKey(b, m))
      continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  // A box destroyed unanswered (with its owner, or from outside) was closed.
  if (!b.result) b.result = b.cancelId;
  EnableAgain(disabled);
  if (IsWindow(box)) DestroyWindow(box);
  DeleteObject(b.font);
  DeleteObject(b.glyphFont);
  if (owner && IsWindow(owner)) SetActiveWindow(owner);
  return b.result;
}
