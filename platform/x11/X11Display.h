#pragma once
// The display backend for an X server: one top-level X window per native
// window, without window-manager decorations, since the window manager in
// framework/ draws captions and frames itself.
#include "platform/x11/XlibHeaders.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/Display.h"
#include "platform/x11/X11Atoms.h"
#include "platform/x11/X11WindowImage.h"

namespace platform::x11 {

class X11Display : public DisplayBackend {
 public:
  // Takes ownership of an open connection.
  explicit X11Display(XDisplay* dpy);
  ~X11Display() override;

  const char* Name() const override { return "x11"; }
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
  bool BlendsPerPixelAlpha() override;
  void Present(NativeWindow w, const std::uint32_t* pixels, int width, int height, int stride,
               const std::vector<IntRect>& rects) override;
  void GrabPointer(NativeWindow w) override;
  void UngrabPointer() override;
  void SetCursor(NativeWindow w, CursorShape shape) override;
  void PointerPosition(int& x, int& y) override;
  bool BeginSystemMoveSize(NativeWindow w, MoveSizeEdge edge, int screenX, int screenY, int button) override;
  std::vector<MonitorInfo> Monitors() override;
  bool PollEvent(Event& e) override;
  void WaitEvents(int timeoutMs) override;
  void Wake() override;
  void Flush() override;

  // ---- Beyond the interface: for tests and the benchmark ----
  XDisplay* Connection() const { return dpy_; }
  // Waits until the server has carried out every request.
  void Sync();
  bool SharedMemoryUsable() const { return shm_.usable; }
  void PreferSharedMemory(bool on) { shm_.preferred = on; }

 private:
  struct WindowRecord {
    Window id = 0;
    NativeWindowParams params;
    IntRect bounds;  // outer bounds on the screen, as last set or reported
    unsigned long boundsSerial = 0;  // request number of our last move or resize
    Visual* visual = nullptr;
    int depth = 0;
    Colormap colormap = 0;  // created for the ARGB visual; 0 when the default is used
    XIC ic = nullptr;
    std::unique_ptr<WindowImage> image;
    bool reparented = false;
    bool mapped = false;
    bool hideRequested = false;  // the next unmap is ours, not an iconify
    bool iconified = false;
    bool shaped = false;             // a bounding shape is set: shape holds it
    std::vector<XRectangle> shape;
    bool passThrough = false;  // the input shape is empty
    // Per-pixel alpha that no compositing manager blends: the pixels last
    // presented (premultiplied, bounds-sized) go out blended over what the
    // screen showed below the window.
    bool blendHere = false;
    bool shown = false;        // mapped by Show and not hidden since
    bool blankHidden = false;  // unmapped while all its pixels are transparent
    std::vector<std::uint32_t> source;
    std::vector<std::uint32_t> backdrop;
  };

  // Window-manager facts, read again when the root window says they changed.
  struct WmInfo {
    bool running = false;
    std::vector<Atom> supported;
  };

  WindowRecord* Find(NativeWindow w);
  // Lets go of the window's resources and record; the X window itself too
  // unless it is gone already.
  void Forget(WindowRecord& r, bool destroyXWindow);
  const WmInfo& Wm();
  bool WmSupports(Atom a);
  void SendToRoot(Window about, Atom type, long d0, long d1, long d2, long d3, long d4);
  void SetSizeHints(WindowRecord& r);
  void SetWindowTypeAndState(WindowRecord& r);
  void CreateInputContext(WindowRecord& r);
  Cursor CursorFor(CursorShape shape);
  // The window's input shape as it should be: empty while it passes the
  // pointer through, otherwise its bounding shape.
  void ApplyInputShape(WindowRecord& r);
  // Blending over the backdrop (X11Layered.cpp).
  std::vector<std::uint32_t> CaptureScreen(const IntRect& area);
  void TakeBackdrop(WindowRecord& r, const IntRect& from, const IntRect& to);
  void PutBlended(WindowRecord& r, const std::vector<IntRect>& rects);
  Window FrameOf(Window w);

  // Events.
  void Translate(XEvent& xe);
  void TranslateKey(WindowRecord& r, XKeyEvent& xk);
  void TranslateConfigure(WindowRecord& r, const XConfigureEvent& xc);
  void TranslateClientMessage(WindowRecord& r, const XClientMessageEvent& xc);
  void TranslateProperty(const XPropertyEvent& xp);
  void Push(Event e, WindowRecord& r);
  Event PointerEvent(EventType type, WindowRecord& r, int x, int y, int rootX, int rootY, unsigned state, Time t);
  std::uint64_t StampTime(Time t);

  XDisplay* dpy_;
  int screen_;
  Window root_;
  Visual* defaultVisual_;
  int defaultDepth_;
  Visual* argbVisual_ = nullptr;  // depth 32 with alpha; nullptr when the server has none
  Atom compositorSelection_ = 0;  // owned while a compositing manager runs on the screen
  Atoms atoms_{};
  SharedMemorySupport shm_;
  bool hasShape_ = false;
  bool hasRandr_ = false;
  XIM im_ = nullptr;
  int wakeFd_ = -1;

  std::map<Window, std::unique_ptr<WindowRecord>> windows_;
  std::deque<Event> queue_;
  std::optional<WmInfo> wm_;
  std::array<Cursor, kCursorShapeCount> cursors_{};
  Window grab_ = 0;
  Window hover_ = 0;  // the window that last had the pointer, as reported
  Window focused_ = 0;
  Time lastServerTime_ = CurrentTime;
  std::uint64_t timeHigh_ = 0;  // wraps of the server's 32-bit millisecond clock
};

}  // namespace platform::x11
