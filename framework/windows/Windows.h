#pragma once
// The window manager: window handles in a parent/child tree, window
// procedures, the message queue and loop, timers, painting, capture and focus,
// with the semantics of the Win32 interface.
#include <functional>

#include "framework/paint/Gdi.h"
#include "framework/windows/Messages.h"

using WNDPROC = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

struct WNDCLASS {
  UINT style = 0;
  WNDPROC lpfnWndProc;
  AnsiString lpszClassName;
  HBRUSH hbrBackground = nullptr;  // erased with this brush by DefWindowProc's WM_ERASEBKGND
  int hCursor = 0;                 // a cursor id (IDC_*)
};
BOOL RegisterClass(const WNDCLASS& wc);

// Window creation parameters as they reach WM_NCCREATE / WM_CREATE.
struct CREATESTRUCT {
  void* lpCreateParams = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0, cx = 0, y = 0, x = 0;
  DWORD style = 0;
  AnsiString lpszName, lpszClass;
  DWORD dwExStyle = 0;
};

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// A window with WS_CHILD lives inside its parent; any other window is
// top-level: it gets a native window of the display and, when hWndParent is
// given, that window as its owner. Returns nullptr when WM_NCCREATE or
// WM_CREATE refuse the window.
HWND CreateWindowEx(DWORD exStyle, const AnsiString& className, const AnsiString& title, DWORD style, int x, int y,
                    int w, int h, HWND parent, void* createParams = nullptr);
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);

// Window data and the procedure hook.
enum : int { GWL_STYLE = -16, GWL_EXSTYLE = -20, GWLP_USERDATA = -21, GWLP_ID = -12 };
std::intptr_t GetWindowLongPtr(HWND hwnd, int index);
std::intptr_t SetWindowLongPtr(HWND hwnd, int index, std::intptr_t value);
WNDPROC GetWindowProc(HWND hwnd);
// Replaces the window procedure and returns the one it replaced.
WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc);
LRESULT CallWindowProc(const WNDPROC& proc, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
AnsiString GetClassName(HWND hwnd);

// Tree.
HWND GetParent(HWND hwnd);  // the parent of a child, the owner of a top-level window
HWND SetParent(HWND hwnd, HWND parent);
enum : UINT { GW_HWNDFIRST = 0, GW_HWNDLAST = 1, GW_HWNDNEXT = 2, GW_HWNDPREV = 3, GW_OWNER = 4, GW_CHILD = 5 };
HWND GetWindow(HWND hwnd, UINT cmd);
HWND GetAncestorRoot(HWND hwnd);  // the top-level window that contains hwnd
BOOL IsChild(HWND parent, HWND hwnd);
// Top-level windows, topmost first.
std::vector<HWND> GetTopLevelWindows();

// Geometry. Window rectangles are in screen coordinates for top-level windows
// (as the native window sits) and the client area is what WM_NCCALCSIZE left.
BOOL GetWindowRect(HWND hwnd, RECT* r);
BOOL GetClientRect(HWND hwnd, RECT* r);
BOOL ClientToScreen(HWND hwnd, POINT* p);
BOOL ScreenToClient(HWND hwnd, POINT* p);
int MapWindowPoints(HWND from, HWND to, POINT* pts, UINT count);
HWND WindowFromPoint(POINT screen);
HWND ChildWindowFromPoint(HWND parent, POINT client);
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int w, int h, UINT flags);
inline HWND const HWND_TOP = nullptr;
inline HWND const HWND_BOTTOM = reinterpret_cast<HWND>(1);
BOOL MoveWindow(HWND hwnd, int x, int y, int w, int h, BOOL repaint);
BOOL ShowWindow(HWND hwnd, int cmd);
BOOL IsWindowVisible(HWND hwnd);  // this window and every parent visible
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);
BOOL SetWindowText(HWND hwnd, const AnsiString& text);
AnsiString GetWindowText(HWND hwnd);
// The window region (window coordinates); the window owns it afterwards.
int SetWindowRgn(HWND hwnd, HRGN rgn, BOOL redraw);
// Copies the window region into rgn; ERROR_REGION when the window has none.
int GetWindowRgn(HWND hwnd, HRGN rgn);

// The text the desktop shows for a top-level window (task bar, window list);
// until it is set, the window text.
BOOL SetWindowNativeTitle(HWND hwnd, const AnsiString& text);

// The window's icon as $AARRGGBB pixels (not premultiplied).
BOOL SetWindowIcon(HWND hwnd, const std::vector<std::uint32_t>& argb, int width, int height);

// Layered windows: per-pixel alpha from a 32-bit premultiplied surface, or one
// constant alpha for the whole window.
enum : DWORD { ULW_COLORKEY = 1, ULW_ALPHA = 2, ULW_OPAQUE = 4, LWA_COLORKEY = 1, LWA_ALPHA = 2 };
BOOL UpdateLayeredWindow(HWND hwnd, HDC screen, const POINT* pos, const SIZE* size, HDC src, const POINT* srcPos,
                         COLORREF key, const BLENDFUNCTION* blend, DWORD flags);
BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags);

// Painting.
struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = 0;
  RECT rcPaint;
};
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
// r is in client coordinates; nullptr means the whole client area.
BOOL InvalidateRect(HWND hwnd, const RECT* r, BOOL erase);
BOOL InvalidateRgn(HWND hwnd, HRGN rgn, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* r);
BOOL GetUpdateRect(HWND hwnd, RECT* r, BOOL erase);
BOOL UpdateWindow(HWND hwnd);
enum : UINT {
  RDW_INVALIDATE = 0x0001, RDW_INTERNALPAINT = 0x0002, RDW_ERASE = 0x0004, RDW_VALIDATE = 0x0008,
  RDW_NOINTERNALPAINT = 0x0010, RDW_NOERASE = 0x0020, RDW_NOCHILDREN = 0x0040, RDW_ALLCHILDREN = 0x0080,
  RDW_UPDATENOW = 0x0100, RDW_ERASENOW = 0x0200, RDW_FRAME = 0x0400, RDW_NOFRAME = 0x0800,
};
BOOL RedrawWindow(HWND hwnd, const RECT* r, HRGN rgn, UINT flags);
// Painted pixels reach the display within a frame; GdiFlush sends them now.
BOOL GdiFlush();
HDC GetDC(HWND hwnd);        // client area, clipped to its visible part
HDC GetWindowDC(HWND hwnd);  // whole window, non-client part included
int ReleaseDC(HWND hwnd, HDC hdc);
// The window a DC of GetDC, GetWindowDC or BeginPaint draws on; nullptr for others.
HWND WindowFromDC(HDC hdc);

// Messages.
BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);  // any thread
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
void PostQuitMessage(int exitCode);
enum : UINT { PM_NOREMOVE = 0, PM_REMOVE = 1 };
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT first, UINT last, UINT remove);
// Waits for the next message; false when it is WM_QUIT.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT first, UINT last);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
// Waits until a message is available or the time runs out (INFINITE: no limit).
constexpr DWORD INFINITE = 0xFFFFFFFF;
void WaitMessageTimeout(DWORD ms);
inline void WaitMessage() { WaitMessageTimeout(INFINITE); }
DWORD GetMessageTime();
POINT GetMessagePos();

// Timers: WM_TIMER with the id in wParam, generated when due and nothing else is pending.
using TIMERPROC = std::function<void(HWND, UINT, std::uintptr_t, DWORD)>;
std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, UINT ms, TIMERPROC proc = nullptr);
BOOL KillTimer(HWND hwnd, std::uintptr_t id);

// Input state.
// Asks for WM_MOUSELEAVE (or WM_NCMOUSELEAVE with TME_NONCLIENT) once the
// pointer leaves the window's client (or non-client) area.
enum : DWORD { TME_LEAVE = 0x00000002, TME_NONCLIENT = 0x00000010, TME_CANCEL = 0x80000000 };
struct TRACKMOUSEEVENT {
  DWORD dwFlags = 0;
  HWND hwndTrack = nullptr;
};
BOOL TrackMouseEvent(TRACKMOUSEEVENT* t);

HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND GetActiveWindow();
HWND SetActiveWindow(HWND hwnd);
BOOL SetForegroundWindow(HWND hwnd);
BOOL GetCursorPos(POINT* p);
short GetKeyState(int vk);
short GetAsyncKeyState(int vk);

enum : int {
  IDC_ARROW = 32512, IDC_IBEAM = 32513, IDC_WAIT = 32514, IDC_CROSS = 32515, IDC_UPARROW = 32516,
  IDC_SIZENWSE = 32642, IDC_SIZENESW = 32643, IDC_SIZEWE = 32644, IDC_SIZENS = 32645, IDC_SIZEALL = 32646,
  IDC_NO = 32648, IDC_HAND = 32649, IDC_APPSTARTING = 32650, IDC_HELP = 32651,
};
// Cursors are ids; SetCursor takes effect on the window under the pointer.
int SetCursor(int cursor);

// Metrics and screen.
enum : int {
  SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXVSCROLL = 2, SM_CYCAPTION = 4, SM_CXBORDER = 5, SM_CYBORDER = 6,
  SM_CXDLGFRAME = 7, SM_CYDLGFRAME = 8, SM_CXICON = 11, SM_CYICON = 12, SM_CXFRAME = 32, SM_CYFRAME = 33,
  SM_CXMINTRACK = 34, SM_CYMINTRACK = 35, SM_CXDOUBLECLK = 36, SM_CYDOUBLECLK = 37, SM_CXSMICON = 49,
  SM_CYSMICON = 50, SM_CXMAXIMIZED = 61, SM_CYMAXIMIZED = 62, SM_CMONITORS = 80,
};
int GetSystemMetrics(int index);
UINT GetDoubleClickTime();

struct HMONITOR_ {};
using HMONITOR = const HMONITOR_*;
struct MONITORINFO {
  RECT rcMonitor, rcWork;
  DWORD dwFlags = 0;  // MONITORINFOF_PRIMARY
};
enum : DWORD { MONITORINFOF_PRIMARY = 1, MONITOR_DEFAULTTONULL = 0, MONITOR_DEFAULTTOPRIMARY = 1,
               MONITOR_DEFAULTTONEAREST = 2 };
std::vector<HMONITOR> EnumDisplayMonitors();
HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags);
HMONITOR MonitorFromPoint(POINT p, DWORD flags);
BOOL GetMonitorInfo(HMONITOR m, MONITORINFO* info);
// The work area of the primary monitor.
RECT GetWorkArea();

// Window hooks on the UI thread: called before the window procedure for every
// message sent or dispatched to a window.
struct CWPSTRUCT {
  LPARAM lParam;
  WPARAM wParam;
  UINT message;
  HWND hwnd;
};
using HOOKPROC = std::function<void(const CWPSTRUCT&)>;
struct HookRecord;
using HHOOK = HookRecord*;
HHOOK SetCallWndProcHook(HOOKPROC proc);
BOOL UnhookWindowsHook(HHOOK hook);

// The modal menu loop runs on the floor above; WM_CANCELMODE ends it through
// this hook, which the menu loop sets while it runs (nullptr: none runs).
void SetMenuLoopEnder(void (*end)());
