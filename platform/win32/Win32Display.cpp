// Native windows: creation, titles and icons, and the requests that place,
// show, stack and shape them.
#include "platform/win32/Win32Display.h"

#include <windows.h>
// The backend's own CreateWindow, not the system's macro.
#undef CreateWindow

#include <algorithm>

#include "platform/win32/Win32Text.h"

namespace platform {

std::unique_ptr<DisplayBackend> OpenSystemDisplay(std::string*) { return std::make_unique<win32::Win32Display>(); }

}  // namespace platform

namespace platform::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"QuelboWindow";

// Drawn at 96 DPI, as the skin's sizes assume: the system must not scale the
// windows, on any monitor. The newest call the system has is used (Windows
// 10 1703, 8.1, Vista); where the executable's manifest already declares the
// same, the call changes nothing.
void DeclareDpiAwareness() {
  using ContextCall = BOOL(WINAPI*)(HANDLE);
  using ProcessCall = HRESULT(WINAPI*)(int);
  const auto perMonitorV2 = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4));
  if (HMODULE user32 = GetModuleHandleW(L"user32.dll"))
    if (auto set = reinterpret_cast<ContextCall>(
            reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext"))))
      if (set(perMonitorV2)) return;
  if (HMODULE shcore = LoadLibraryW(L"shcore.dll")) {
    auto set = reinterpret_cast<ProcessCall>(reinterpret_cast<void*>(GetProcAddress(shcore, "SetProcessDpiAwareness")));
    const bool done = set && SUCCEEDED(set(2));  // PROCESS_PER_MONITOR_DPI_AWARE
    FreeLibrary(shcore);
    if (done) return;
  }
  SetProcessDPIAware();
}

}  // namespace

Win32Display* Win32Display::instance_ = nullptr;

Win32Display::Win32Display() {
  DeclareDpiAwareness();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  // No double-click style: the window layer tells double clicks itself, with
  // the system's time and distance (DoubleClick).
  wc.lpfnWndProc = reinterpret_cast<WNDPROC>(&Win32Display::WindowProc);
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kWindowClass;
  RegisterClassExW(&wc);
  wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  memoryDc_ = CreateCompatibleDC(nullptr);
  instance_ = this;
}

Win32Display::~Win32Display() {
  std::vector<HWND> all;
  for (const auto& [hwnd, rec] : windows_) all.push_back(hwnd);
  for (HWND hwnd : all) DestroyWindow(reinterpret_cast<NativeWindow>(hwnd));
  if (memoryDc_) DeleteDC(memoryDc_);
  if (wake_) CloseHandle(wake_);
  UnregisterClassW(kWindowClass, GetModuleHandleW(nullptr));
  if (instance_ == this) instance_ = nullptr;
}

Win32Display::WindowRecord* Win32Display::Find(NativeWindow w) {
  auto it = windows_.find(reinterpret_cast<HWND>(w));
  return it == windows_.end() ? nullptr : it->second.get();
}

Win32Display::WindowRecord* Win32Display::RecordOf(HWND hwnd) {
  return reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

NativeWindow Win32Display::CreateWindow(const NativeWindowParams& p) {
  auto rec = std::make_unique<WindowRecord>();
  rec->params = p;
  const int width = std::max(1, p.width), height = std::max(1, p.height);
  rec->bounds = {p.x, p.y, p.x + width, p.y + height};
  DWORD style = WS_POPUP | WS_CLIPSIBLINGS, ex = 0;
  HWND owner = nullptr;
  if (p.popup) {
    ex |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    owner = reinterpret_cast<HWND>(p.owner);
  } else if (p.toolWindow) {
    // A system owner would hold the window above its owner, and the border
    // windows of a form stand directly below it: the window layer keeps
    // them in place itself.
    ex |= WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
  } else {
    // The task bar's button minimises and restores the window.
    style |= WS_SYSMENU | WS_MINIMIZEBOX;
    owner = reinterpret_cast<HWND>(p.owner);
    if (!owner) ex |= WS_EX_APPWINDOW;
  }
  if (p.perPixelAlpha) ex |= WS_EX_LAYERED;
  WindowRecord* r = rec.get();
  OwnChange own(*this);
  HWND hwnd = CreateWindowExW(ex, kWindowClass, L"", style, p.x, p.y, width, height, owner, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  if (!hwnd) return 0;
  r->hwnd = hwnd;
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(r));
  windows_[hwnd] = std::move(rec);
  return reinterpret_cast<NativeWindow>(hwnd);
}

void Win32Display::DestroyWindow(NativeWindow w) {
  WindowRecord* r = Find(w);
  if (!r) return;
  r->destroying = true;
  HWND hwnd = r->hwnd;
  OwnChange own(*this);
  ::DestroyWindow(hwnd);
  Forget(*r);
}

void Win32Display::Forget(WindowRecord& r) {
  HWND hwnd = r.hwnd;
  if (grab_ == hwnd) {
    grab_ = nullptr;
    if (GetCapture() == hwnd) ReleaseCapture();
  }
  if (hover_ == hwnd) hover_ = nullptr;
  FreeBitmap(r);
  if (r.icon) DestroyIcon(r.icon);
  if (IsWindow(hwnd)) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  std::erase_if(queue_, [&](const Event& e) { return e.window == reinterpret_cast<NativeWindow>(hwnd); });
  windows_.erase(hwnd);
}

void Win32Display::SetTitle(NativeWindow w, const std::string& utf8) {
  if (WindowRecord* r = Find(w)) SetWindowTextW(r->hwnd, Widen(utf8).c_str());
}

void Win32Display::SetIcon(NativeWindow w, const std::uint32_t* argb, int width, int height) {
  WindowRecord* r = Find(w);
  if (!r || !argb || width <= 0 || height <= 0 || width > 1024 || height > 1024) return;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP color = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!color) return;
  // An icon's 32-bit colour bitmap carries straight (not premultiplied) alpha.
  std::copy_n(argb, static_cast<size_t>(width) * static_cast<size_t>(height), static_cast<std::uint32_t*>(bits));
  HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
  ICONINFO info{TRUE, 0, 0, mask, color};
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(mask);
  DeleteObject(color);
  if (!icon) return;
  SendMessageW(r->hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageW(r->hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  if (r->icon) DestroyIcon(r->icon);
  r->icon = icon;
}

void Win32Display::SetBounds(NativeWindow w, int x, int y, int width, int height) {
  WindowRecord* r = Find(w);
  if (!r) return;
  width = std::max(1, width);
  height = std::max(1, height);
  const IntRect bounds{x, y, x + width, y + height};
  if (bounds == r->bounds) return;  // also a move the system made and reported
  r->bounds = bounds;
  // A minimised window takes its bounds when it is restored (Show).
  if (IsIconic(r->hwnd)) return;
  OwnChange own(*this);
  SetWindowPos(r->hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Display::Show(NativeWindow w, bool activate) {
  WindowRecord* r = Find(w);
  if (!r) return;
  if (r->params.popup) activate = false;
  OwnChange own(*this);
  if (IsIconic(r->hwnd)) {
    r->iconified = false;
    ShowWindow(r->hwnd, activate ? SW_RESTORE : SW_SHOWNOACTIVATE);
    const IntRect& b = r->bounds;
    SetWindowPos(r->hwnd, nullptr, b.left, b.top, b.Width(), b.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    // Shown on top of its siblings, as a mapped X window is raised.
    SetWindowPos(r->hwnd, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | (activate ? 0 : SWP_NOACTIVATE));
  }
  if (activate) Focus(w);
}

void Win32Display::Hide(NativeWindow w) {
  WindowRecord* r = Find(w);
  if (!r) return;
  OwnChange own(*this);
  ShowWindow(r->hwnd, SW_HIDE);
}

void Win32Display::Minimize(NativeWindow w) {
  WindowRecord* r = Find(w);
  if (!r || IsIconic(r->hwnd)) return;
  r->iconified = true;  // the window layer asked: no news to tell it
  OwnChange own(*this);
  ShowWindow(r->hwnd, SW_MINIMIZE);
}

void Win32Display::Raise(NativeWindow w) {
  if (WindowRecord* r = Find(w)) {
    OwnChange own(*this);
    SetWindowPos(r->hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void Win32Display::Focus(NativeWindow w) {
  WindowRecord* r = Find(w);
  if (!r || r->params.popup) return;
  SetForegroundWindow(r->hwnd);
  ::SetFocus(r->hwnd);
}

void Win32Display::SetShape(NativeWindow w, const std::vector<IntRect>& rects) {
  WindowRecord* r = Find(w);
  if (!r) return;
  OwnChange own(*this);
  if (rects.empty()) {
    SetWindowRgn(r->hwnd, nullptr, TRUE);
    return;
  }
  std::vector<char> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
  auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
  auto* out = reinterpret_cast<RECT*>(data.data() + sizeof(RGNDATAHEADER));
  IntRect bound;
  DWORD count = 0;
  for (const IntRect& rc : rects) {
    if (rc.right <= rc.left || rc.bottom <= rc.top) continue;
    out[count++] = {rc.left, rc.top, rc.right, rc.bottom};
    bound = count == 1 ? rc
                       : IntRect{std::min(bound.left, rc.left), std::min(bound.top, rc.top),
                                 std::max(bound.right, rc.right), std::max(bound.bottom, rc.bottom)};
  }
  header->dwSize = sizeof(RGNDATAHEADER);
  header->iType = RDH_RECTANGLES;
  header->nCount = count;
  header->nRgnSize = count * sizeof(RECT);
  header->rcBound = {bound.left, bound.top, bound.right, bound.bottom};
  // An empty region (all rectangles empty) hides the whole window.
  HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(sizeof(RGNDATAHEADER) + count * sizeof(RECT)),
                                reinterpret_cast<RGNDATA*>(data.data()));
  if (region && !SetWindowRgn(r->hwnd, region, TRUE)) DeleteObject(region);  // the window owns it once set
}

void Win32Display::ApplyLayering(WindowRecord& r) {
  const LONG_PTR old = GetWindowLongPtrW(r.hwnd, GWL_EXSTYLE);
  LONG_PTR want = r.passThrough ? old | WS_EX_TRANSPARENT : old & ~static_cast<LONG_PTR>(WS_EX_TRANSPARENT);
  // Only a layered window lets the pointer through, and only a layered
  // window has one alpha for all of it.
  const bool layered = r.params.perPixelAlpha || r.passThrough || r.opacity != 255;
  want = layered ? want | WS_EX_LAYERED : want & ~static_cast<LONG_PTR>(WS_EX_LAYERED);
  if (want != old) SetWindowLongPtrW(r.hwnd, GWL_EXSTYLE, want);
  if (r.params.perPixelAlpha) {
    if (r.bitmap) UpdateLayered(r);
  } else if (layered) {
    SetLayeredWindowAttributes(r.hwnd, 0, r.opacity, LWA_ALPHA);
  } else if (old & WS_EX_LAYERED) {
    // The system has forgotten the window's pixels: they come again from its bitmap.
    RedrawWindow(r.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  }
}

void Win32Display::SetOpacity(NativeWindow w, std::uint8_t alpha) {
  WindowRecord* r = Find(w);
  if (!r || r->opacity == alpha) return;
  r->opacity = alpha;
  ApplyLayering(*r);
}

void Win32Display::SetPointerPassThrough(NativeWindow w, bool on) {
  WindowRecord* r = Find(w);
  if (!r || r->passThrough == on) return;
  r->passThrough = on;
  ApplyLayering(*r);
}

void Win32Display::StackBelow(NativeWindow w, NativeWindow sibling) {
  WindowRecord* r = Find(w);
  WindowRecord* s = Find(sibling);
  if (!r || !s || r == s) return;
  OwnChange own(*this);
  SetWindowPos(r->hwnd, s->hwnd, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

DoubleClickLimits Win32Display::DoubleClick() {
  return {static_cast<int>(GetDoubleClickTime()), GetSystemMetrics(SM_CXDOUBLECLK), GetSystemMetrics(SM_CYDOUBLECLK)};
}

std::vector<MonitorInfo> Win32Display::Monitors() {
  std::vector<MonitorInfo> out;
  auto collect = [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
      MonitorInfo m;
      m.bounds = {info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom};
      m.workArea = {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
      m.primary = info.dwFlags & MONITORINFOF_PRIMARY;
      reinterpret_cast<std::vector<MonitorInfo>*>(data)->push_back(m);
    }
    return TRUE;
  };
  EnumDisplayMonitors(nullptr, nullptr, collect, reinterpret_cast<LPARAM>(&out));
  if (out.empty()) {
    MonitorInfo m;
    m.bounds = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    m.workArea = m.bounds;
    m.primary = true;
    out.push_back(m);
  }
  return out;
}

}  // namespace platform::win32
