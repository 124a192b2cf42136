#pragma once
// A display in memory: windows are kept with the last pixels presented to
// them, input is scripted by the test, and the whole virtual screen can be
// composed and saved as a PNG.
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

#include "platform/Display.h"
#include "platform/Png.h"

namespace platform {

class HeadlessDisplay : public DisplayBackend {
 public:
  explicit HeadlessDisplay(int screenWidth = 1280, int screenHeight = 800, int taskbarHeight = 40);

  struct WindowState {
    NativeWindowParams params;
    IntRect bounds;
    bool visible = false;
    bool minimized = false;
    std::string title;
    std::vector<IntRect> shape;
    std::uint8_t opacity = 255;
    bool passThrough = false;
    std::vector<std::uint32_t> pixels;  // what was presented, width x height
    int presents = 0;
    CursorShape cursor = CursorShape::Arrow;
    std::vector<std::uint32_t> icon;
    int iconWidth = 0, iconHeight = 0;
  };

  const char* Name() const override { return "headless"; }
  NativeWindow CreateWindow(const NativeWindowParams& params) override;
  void DestroyWindow(NativeWindow w) override;
  void SetTitle(NativeWindow w, const std::string& utf8) override;
  void SetIcon(NativeWindow w, const std::uint32_t* argb, int width, int height) override;
  void SetBounds(NativeWindow w, int x, int y, int width, int height) override;
  void Show(NativeWindow w, bool activate) override;
  void Hide(NativeWindow w) override;
  void Minimize(NativeWindow w) override;
  void Raise(NativeWindow w) override;
  void Focus(NativeWindow w) override;
  void SetShape(NativeWindow w, const std::vector<IntRect>& rects) override;
  void SetOpacity(NativeWindow w, std::uint8_t alpha) override;
  void SetPointerPassThrough(NativeWindow w, bool on) override;
  void StackBelow(NativeWindow w, NativeWindow sibling) override;
  // The composed screen blends every layered window.
  bool BlendsPerPixelAlpha() override { return true; }
  void Present(NativeWindow w, const std::uint32_t* pixels, int width, int height, int stride,
               const std::vector<IntRect>& rects) override;
  void GrabPointer(NativeWindow w) override;
  void UngrabPointer() override;
  void SetCursor(NativeWindow w, CursorShape shape) override;
  void PointerPosition(int& x, int& y) override;
  bool BeginSystemMoveSize(NativeWindow, MoveSizeEdge, int, int, int) override { return false; }
  std::vector<MonitorInfo> Monitors() override;
  bool PollEvent(Event& e) override;
  void WaitEvents(int timeoutMs) override;
  void Wake() override;

  // ---- Scripted input (screen coordinates) ----
  void MoveMouse(int screenX, int screenY);
  void PressButton(int button = 1);
  void ReleaseButton(int button = 1);
  void Click(int screenX, int screenY, int button = 1);
  // A key press and release; text is what the key types (may be empty).
  void PressKey(Key key, const std::u32string& text = {});
  void Post(const Event& e);  // any event, as if the display had sent it
  // The window destroyed by someone else, as a tool can do on a real
  // display: forgotten here, and reported with a Destroyed event.
  void DestroyFromOutside(NativeWindow w);
  // Moves the fake clock that stamps scripted events (double-click timing).
  void AdvanceTime(std::uint64_t ms) { clock_ += ms; }

  // ---- Inspection ----
  const WindowState* Window(NativeWindow w) const;
  std::vector<NativeWindow> Windows() const { return stacking_; }  // bottom first
  NativeWindow FocusedWindow() const { return focus_; }
  NativeWindow WindowAt(int screenX, int screenY) const;
  // The composed screen ($FFRRGGBB), screen width x height.
  std::vector<std::uint32_t> ComposeScreen() const;
  bool SaveScreenPng(const std::string& path) const;
  int ScreenWidth() const { return screenW_; }
  int ScreenHeight() const { return screenH_; }

 private:
  Event MouseEvent(EventType t, int button) const;
  void Enqueue(Event e);

  int screenW_, screenH_, taskbarH_;
  std::map<NativeWindow, WindowState> windows_;
  std::vector<NativeWindow> stacking_;
  NativeWindow next_ = 1;
  NativeWindow focus_ = 0;
  NativeWindow grab_ = 0;
  NativeWindow hover_ = 0;
  int px_ = 0, py_ = 0;
  unsigned buttons_ = 0;
  std::uint64_t clock_ = 1000;

  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<Event> queue_;
  bool woken_ = false;
};

}  // namespace platform
