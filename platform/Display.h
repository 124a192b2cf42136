#pragma once
// The narrow interface between the window manager and a display: native
// top-level windows that show a 32-bit surface, input events, the pointer and
// the screen. A backend knows nothing about window procedures or messages.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Keys.h"

namespace platform {

struct IntRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const IntRect&, const IntRect&) = default;
};

// The part two rectangles share; an empty rectangle when they share none.
inline IntRect Intersect(const IntRect& a, const IntRect& b) {
  IntRect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top, a.right < b.right ? a.right : b.right,
            a.bottom < b.bottom ? a.bottom : b.bottom};
  if (r.right <= r.left || r.bottom <= r.top) return {};
  return r;
}

using NativeWindow = std::uint64_t;  // 0 is no window

struct NativeWindowParams {
  int x = 0, y = 0, width = 1, height = 1;  // outer bounds in screen coordinates
  bool perPixelAlpha = false;  // layered: the surface's alpha shows through
  bool toolWindow = false;     // no taskbar entry
  bool popup = false;          // menus and tips: no focus, no decoration, above others
  NativeWindow owner = 0;      // kept above its owner
};

// What an interactive move or size drags: the whole window or one edge or corner.
enum class MoveSizeEdge { Move, Left, Right, Top, TopLeft, TopRight, Bottom, BottomLeft, BottomRight };

// The standard cursors; each backend shows its display's own for each.
enum class CursorShape {
  Arrow,
  IBeam,
  Wait,
  Cross,
  Hand,
  SizeNWSE,
  SizeNESW,
  SizeWE,
  SizeNS,
  SizeAll,
  No,
  UpArrow,
  AppStarting,  // the arrow with a busy sign: working, but still taking input
  Help,
};
constexpr int kCursorShapeCount = static_cast<int>(CursorShape::Help) + 1;

enum class EventType {
  MouseMove,
  ButtonDown,
  ButtonUp,
  Wheel,
  KeyDown,
  KeyUp,
  FocusIn,
  FocusOut,
  Expose,        // part of the window must be shown again (rect)
  Configure,     // moved or resized from outside (rect = new outer bounds)
  CloseRequest,  // the user asked to close the window
  Destroyed,     // someone else destroyed the window; the backend has forgotten it
  Iconified,
  Deiconified,
  PointerLeft,   // the pointer left the window
};

enum : unsigned {
  kModShift = 1, kModControl = 2, kModAlt = 4,
  kModButtonLeft = 0x100, kModButtonMiddle = 0x200, kModButtonRight = 0x400,
};

struct Event {
  EventType type = EventType::MouseMove;
  NativeWindow window = 0;
  int x = 0, y = 0;              // pointer relative to the window's top-left
  int screenX = 0, screenY = 0;  // pointer on the screen
  int button = 0;                // 1 left, 2 middle, 3 right
  int wheelDelta = 0;            // multiples of 120, positive away from the user
  unsigned modifiers = 0;        // kMod* bits as they were before the event
  Key key = Key::Unknown;           // the key, for key events
  std::u32string text;           // characters the key produces
  IntRect rect;
  std::uint64_t timeMs = 0;
};

// How close in time and place two presses must be to make a double click:
// at most timeMs apart, the second inside a box of width x height centred on
// the first.
struct DoubleClickLimits {
  int timeMs = 500;
  int width = 4, height = 4;
};

struct MonitorInfo {
  IntRect bounds;
  IntRect workArea;
  bool primary = false;
};

class DisplayBackend {
 public:
  virtual ~DisplayBackend() = default;
  virtual const char* Name() const = 0;

  virtual NativeWindow CreateWindow(const NativeWindowParams& params) = 0;
  virtual void DestroyWindow(NativeWindow w) = 0;
  virtual void SetTitle(NativeWindow w, const std::string& utf8) = 0;
  // ARGB pixels, not premultiplied; width x height, rows top-down.
  virtual void SetIcon(NativeWindow w, const std::uint32_t* argb, int width, int height) = 0;
  virtual void SetBounds(NativeWindow w, int x, int y, int width, int height) = 0;
  virtual void Show(NativeWindow w, bool activate) = 0;
  virtual void Hide(NativeWindow w) = 0;
  virtual void Minimize(NativeWindow w) = 0;
  virtual void Raise(NativeWindow w) = 0;
  virtual void Focus(NativeWindow w) = 0;
  // The visible shape in window coordinates; an empty list removes the shape.
  virtual void SetShape(NativeWindow w, const std::vector<IntRect>& rects) = 0;
  // One alpha for the whole window (255 opaque).
  virtual void SetOpacity(NativeWindow w, std::uint8_t alpha) = 0;
  // The pointer passes through the window to whatever lies below it: the
  // window's input area is empty. Off gives the window its input area back.
  virtual void SetPointerPassThrough(NativeWindow w, bool on) = 0;
  // Places the window directly below sibling in the stacking order.
  virtual void StackBelow(NativeWindow w, NativeWindow sibling) = 0;
  // Whether the display itself blends perPixelAlpha windows with what lies
  // below them. Where it does not (an X server without a compositing
  // manager), the backend blends them over what the screen showed below them
  // when they appeared or moved, so they show opaque, never black or empty.
  virtual bool BlendsPerPixelAlpha() = 0;
  // Shows the given rectangles of the window's surface. pixels is $AARRGGBB,
  // stride in pixels; alpha matters only for perPixelAlpha windows, where the
  // pixels are premultiplied.
  virtual void Present(NativeWindow w, const std::uint32_t* pixels, int width, int height, int stride,
                       const std::vector<IntRect>& rects) = 0;

  // Pointer.
  virtual void GrabPointer(NativeWindow w) = 0;
  virtual void UngrabPointer() = 0;
  virtual void SetCursor(NativeWindow w, CursorShape shape) = 0;
  virtual void PointerPosition(int& x, int& y) = 0;
  // Hands an interactive move or size to the window manager of the desktop,
  // which then reports Configure events. False when none can take it; the
  // caller runs its own loop. Where the system's move loop is modal
  // (Windows), it returns once the move or size has ended, the modal idle
  // running meanwhile.
  virtual bool BeginSystemMoveSize(NativeWindow w, MoveSizeEdge edge, int screenX, int screenY, int button) = 0;
  virtual DoubleClickLimits DoubleClick() { return {}; }

  virtual std::vector<MonitorInfo> Monitors() = 0;

  // Whether the system has message boxes of its own that its users know
  // (Windows); where it has none, the caller shows one of its own.
  virtual bool HasSystemMessageBox() { return false; }
  // Shows the system's message box, modal to owner (0: to every window of
  // the program), texts in UTF-8, with the type bits and answers of the
  // Windows call (MB_YESNO | MB_ICONERROR, ...; IDOK, IDYES, ...).
  virtual int SystemMessageBox(NativeWindow owner, const std::string& text, const std::string& caption,
                               unsigned type) {
    return 0;
  }
  // Work of the program that must go on while the system runs a modal loop
  // of its own (a system message box, a system move or size): called every
  // few milliseconds from inside such a loop. Empty: none.
  void SetModalIdle(std::function<void()> idle) { modalIdle_ = std::move(idle); }

  // Events: Poll never blocks; Wait blocks until an event is pending, Wake is
  // called (from any thread), or timeoutMs passes (negative: no limit).
  virtual bool PollEvent(Event& e) = 0;
  virtual void WaitEvents(int timeoutMs) = 0;
  virtual void Wake() = 0;
  // Sends what was drawn to the display server.
  virtual void Flush() {}

 protected:
  std::function<void()> modalIdle_;
};

// The backend in use. SetDisplay hands over ownership; the previous one is freed.
DisplayBackend* Display();
void SetDisplay(std::unique_ptr<DisplayBackend> backend);

// Opens the X11 backend on $DISPLAY; nullptr with a reason when it cannot.
std::unique_ptr<DisplayBackend> OpenX11Display(std::string* error);
// Opens the display of the system the program runs on: the X server of
// $DISPLAY on Linux, the desktop on Windows; nullptr with a reason when it cannot.
std::unique_ptr<DisplayBackend> OpenSystemDisplay(std::string* error);

}  // namespace platform
