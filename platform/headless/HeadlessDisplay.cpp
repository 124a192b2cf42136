#include "platform/headless/HeadlessDisplay.h"

#include <algorithm>
#include <chrono>

namespace platform {

HeadlessDisplay::HeadlessDisplay(int w, int h, int taskbar) : screenW_(w), screenH_(h), taskbarH_(taskbar) {}

NativeWindow HeadlessDisplay::CreateWindow(const NativeWindowParams& p) {
  NativeWindow id = next_++;
  WindowState& s = windows_[id];
  s.params = p;
  s.bounds = {p.x, p.y, p.x + std::max(1, p.width), p.y + std::max(1, p.height)};
  s.pixels.assign(static_cast<size_t>(s.bounds.Width()) * static_cast<size_t>(s.bounds.Height()), 0);
  stacking_.push_back(id);
  return id;
}

void HeadlessDisplay::DestroyWindow(NativeWindow w) {
  windows_.erase(w);
  stacking_.erase(std::remove(stacking_.begin(), stacking_.end(), w), stacking_.end());
  if (focus_ == w) focus_ = 0;
  if (grab_ == w) grab_ = 0;
  if (hover_ == w) hover_ = 0;
}

void HeadlessDisplay::DestroyFromOutside(NativeWindow w) {
  if (!windows_.count(w)) return;
  DestroyWindow(w);
  Event e;
  e.type = EventType::Destroyed;
  e.window = w;
  Enqueue(e);
}

void HeadlessDisplay::SetTitle(NativeWindow w, const std::string& t) {
  if (auto it = windows_.find(w); it != windows_.end()) it->second.title = t;
}

void HeadlessDisplay::SetIcon(NativeWindow w, const std::uint32_t* argb, int width, int height) {
  auto it = windows_.find(w);
  if (it == windows_.end() || width <= 0 || height <= 0) return;
  it->second.icon.assign(argb, argb + static_cast<size_t>(width) * static_cast<size_t>(height));
  it->second.iconWidth = width;
  it->second.iconHeight = height;
}

void HeadlessDisplay::SetBounds(NativeWindow w, int x, int y, int width, int height) {
  auto it = windows_.find(w);
  if (it == windows_.end()) return;
  WindowState& s = it->second;
  width = std::max(1, width);
  height = std::max(1, height);
  if (width != s.bounds.Width() || height != s.bounds.Height())
    s.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  s.bounds = {x, y, x + width, y + height};
}

void HeadlessDisplay::Show(NativeWindow w, bool activate) {
  auto it = windows_.find(w);
  if (it == windows_.end()) return;
  it->second.visible = true;
  it->second.minimized = false;
  Raise(w);
  if (activate && !it->second.params.popup) Focus(w);
}

void HeadlessDisplay::Hide(NativeWindow w) {
  auto it = windows_.find(w);
  if (it == windows_.end()) return;
  it->second.visible = false;
  if (focus_ == w) {
    Event e;
    e.type = EventType::FocusOut;
    e.window = w;
    Enqueue(e);
    focus_ = 0;
  }
}

void HeadlessDisplay::Minimize(NativeWindow w) {
  auto it = windows_.find(w);
  if (it == windows_.end()) return;
  it->second.minimized = true;
  Event e;
  e.type = EventType::Iconified;
  e.window = w;
  Enqueue(e);
}

void HeadlessDisplay::Raise(NativeWindow w) {
  auto it = std::find(stacking_.begin(), stacking_.end(), w);
  if (it == stacking_.end()) return;
  stacking_.erase(it);
  stacking_.push_back(w);
}

void HeadlessDisplay::Focus(NativeWindow w) {
  if (focus_ == w || !windows_.count(w)) return;
  if (focus_) {
    Event e;
    e.type = EventType::FocusOut;
    e.window = focus_;
    Enqueue(e);
  }
  focus_ = w;
  Event e;
  e.type = EventType::FocusIn;
  e.window = w;
  Enqueue(e);
}

void HeadlessDisplay::SetShape(NativeWindow w, const std::vector<IntRect>& rects) {
  if (auto it = windows_.find(w); it != windows_.end()) it->second.shape = rects;
}

void HeadlessDisplay::SetOpacity(NativeWindow w, std::uint8_t a) {
  if (auto it = windows_.find(w); it != windows_.end()) it->second.opacity = a;
}

void HeadlessDisplay::SetPointerPassThrough(NativeWindow w, bool on) {
  if (auto it = windows_.find(w); it != windows_.end()) it->second.passThrough = on;
}

void HeadlessDisplay::StackBelow(NativeWindow w, NativeWindow sibling) {
  if (w == sibling || !windows_.count(w) || !windows_.count(sibling)) return;
  stacking_.erase(std::remove(stacking_.begin(), stacking_.end(), w), stacking_.end());
  stacking_.insert(std::find(stacking_.begin(), stacking_.end(), sibling), w);
}

void HeadlessDisplay::Present(NativeWindow w, const std::uint32_t* pixels, int width, int height, int stride,
                              const std::vector<IntRect>& rects) {
  auto it = windows_.find(w);
  if (it == windows_.end()) return;
  WindowState& s = it->second;
  int ww = s.bounds.Width(), wh = s.bounds.Height();
  for (const IntRect& r : rects) {
    int l = std::max(0, r.left), t = std::max(0, r.top);
    int rr = std::min({r.right, width, ww}), b = std::min({r.bottom, height, wh});
    for (int y = t; y < b; ++y)
      std::copy(pixels + static_cast<size_t>(y) * stride + l, pixels + static_cast<size_t>(y) * stride + rr,
                s.pixels.begin() + static_cast<long>(y) * ww + l);
  }
  ++s.presents;
}

void HeadlessDisplay::GrabPointer(NativeWindow w) { grab_ = w; }
void HeadlessDisplay::UngrabPointer() { grab_ = 0; }

void HeadlessDisplay::SetCursor(NativeWindow w, CursorShape shape) {
  if (auto it = windows_.find(w); it != windows_.end()) it->second.cursor = shape;
}

void HeadlessDisplay::PointerPosition(int& x, int& y) {
  x = px_;
  y = py_;
}

std::vector<MonitorInfo> HeadlessDisplay::Monitors() {
  MonitorInfo m;
  m.bounds = {0, 0, screenW_, screenH_};
  m.workArea = {0, 0, screenW_, screenH_ - taskbarH_};
  m.primary = true;
  return {m};
}

bool HeadlessDisplay::PollEvent(Event& e) {
  std::lock_guard<std::mutex> lock(mu_);
  if (queue_.empty()) return false;
  e = queue_.front();
  queue_.pop_front();
  return true;
}

void HeadlessDisplay::WaitEvents(int timeoutMs) {
  std::unique_lock<std::mutex> lock(mu_);
  auto ready = [&] { return !queue_.empty() || woken_; };
  if (timeoutMs < 0) cv_.wait(lock, ready);
  else cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
  woken_ = false;
}

void HeadlessDisplay::Wake() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    woken_ = true;
  }
  cv_.notify_all();
}

void HeadlessDisplay::Enqueue(Event e) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (!e.timeMs) e.timeMs = clock_;
    queue_.push_back(std::move(e));
  }
  cv_.notify_all();
}

void HeadlessDisplay::Post(const Event& e) { Enqueue(e); }

NativeWindow HeadlessDisplay::WindowAt(int x, int y) const {
  for (auto it = stacking_.rbegin(); it != stacking_.rend(); ++it) {
    const WindowState& s = windows_.at(*it);
    if (!s.visible || s.minimized || s.passThrough) continue;
    int lx = x - s.bounds.left, ly = y - s.bounds.top;
    if (lx < 0 || ly < 0 || lx >= s.bounds.Width() || ly >= s.bounds.Height()) continue;
    if (!s.shape.empty() && std::none_of(s.shape.begin(), s.shape.end(), [&](const IntRect& r) {
          return lx >= r.left && lx < r.right && ly >= r.top && ly < r.bottom;
        }))
      continue;
    return *it;
  }
  return 0;
}

Event HeadlessDisplay::MouseEvent(EventType t, int button) const {
  Event e;
  e.type = t;
  e.window = grab_ ? grab_ : WindowAt(px_, py_);
  e.screenX = px_;
  e.screenY = py_;
  e.button = button;
  e.modifiers = buttons_;
  if (auto it = windows_.find(e.window); it != windows_.end()) {
    e.x = px_ - it->second.bounds.left;
    e.y = py_ - it->second.bounds.top;
  }
  return e;
}

void HeadlessDisplay::MoveMouse(int x, int y) {
  px_ = x;
  py_ = y;
  NativeWindow under = grab_ ? grab_ : WindowAt(x, y);
  if (hover_ && hover_ != under) {
    Event e = MouseEvent(EventType::PointerLeft, 0);
    e.window = hover_;
    Enqueue(e);
  }
  hover_ = under;
  Event e = MouseEvent(EventType::MouseMove, 0);
  if (e.window) Enqueue(e);
}

static unsigned ButtonBit(int b) { return b == 1 ? kModButtonLeft : b == 2 ? kModButtonMiddle : kModButtonRight; }

void HeadlessDisplay::PressButton(int button) {
  Event e = MouseEvent(EventType::ButtonDown, button);
  buttons_ |= ButtonBit(button);
  if (e.window) Enqueue(e);
}

void HeadlessDisplay::ReleaseButton(int button) {
  Event e = MouseEvent(EventType::ButtonUp, button);
  buttons_ &= ~ButtonBit(button);
  if (e.window) Enqueue(e);
}

void HeadlessDisplay::Click(int x, int y, int button) {
  MoveMouse(x, y);
  PressButton(button);
  clock_ += 50;
  ReleaseButton(button);
}

void HeadlessDisplay::PressKey(Key key, const std::u32string& text) {
  Event e;
  e.window = focus_;
  e.key = key;
  e.type = EventType::KeyDown;
  e.text = text;
  Enqueue(e);
  e.type = EventType::KeyUp;
  e.text.clear();
  Enqueue(e);
}

const HeadlessDisplay::WindowState* HeadlessDisplay::Window(NativeWindow w) const {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : &it->second;
}

std::vector<std::uint32_t> HeadlessDisplay::ComposeScreen() const {
  std::vector<std::uint32_t> screen(static_cast<size_t>(screenW_) * static_cast<size_t>(screenH_), 0xFF3A6EA5);
  for (NativeWindow id : stacking_) {
    const WindowState& s = windows_.at(id);
    if (!s.visible || s.minimized) continue;
    int ww = s.bounds.Width(), wh = s.bounds.Height();
    for (int y = 0; y < wh; ++y) {
      int sy = s.bounds.top + y;
      if (sy < 0 || sy >= screenH_) continue;
      for (int x = 0; x < ww; ++x) {
        int sx = s.bounds.left + x;
        if (sx < 0 || sx >= screenW_) continue;
        if (!s.shape.empty() && std::none_of(s.shape.begin(), s.shape.end(), [&](const IntRect& r) {
              return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            }))
          continue;
        std::uint32_t src = s.pixels[static_cast<size_t>(y) * ww + x];
        std::uint32_t& dst = screen[static_cast<size_t>(sy) * screenW_ + sx];
        // Layered windows carry premultiplied alpha; the window opacity scales it all.
        unsigned a = s.params.perPixelAlpha ? (src >> 24) : 255;
        unsigned o = s.opacity;
        auto ch = [&](int shift) {
          unsigned sc = (src >> shift) & 0xFF, dc = (dst >> shift) & 0xFF;
          if (!s.params.perPixelAlpha) sc = sc * a / 255;
          unsigned v = (sc * o + dc * (255 * 255 - a * o) / 255) / 255;
          return std::min(255u, v);
        };
        dst = 0xFF000000u | (ch(16) << 16) | (ch(8) << 8) | ch(0);
      }
    }
  }
  return screen;
}

bool HeadlessDisplay::SaveScreenPng(const std::string& path) const {
  std::vector<std::uint32_t> px = ComposeScreen();
  return WritePng(path, px.data(), screenW_, screenH_, screenW_);
}

}  // namespace platform
