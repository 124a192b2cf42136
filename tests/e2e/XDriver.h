#pragma once
// Drives a running program's windows on an X server the way a user at the
// keyboard would: finds top-level windows by title, presses keys in the window
// that has the input focus, asks windows to close, and reads back what is on
// the screen. Used by the end-to-end tests and by the demo's helper tool.
#include <cstdint>
#include <string>
#include <vector>

// Xlib's types without its macros, which clash with names elsewhere.
typedef struct _XDisplay Display;

namespace e2e {

using XWindowId = unsigned long;  // an X window (Xlib's Window)

struct ScreenImage {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // $AARRGGBB, opaque
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

class XDriver {
 public:
  // Connects to the display named (":N"); Connected() tells whether it worked.
  explicit XDriver(const std::string& displayName);
  ~XDriver();
  XDriver(const XDriver&) = delete;
  XDriver& operator=(const XDriver&) = delete;

  bool Connected() const { return dpy_ != nullptr; }

  // The viewable window whose title (_NET_WM_NAME, else WM_NAME) is exactly
  // title, searched below the root through window-manager frames, topmost
  // first, other than except; 0 if none.
  XWindowId Find(const std::string& title, XWindowId except = 0) const;
  // Waits up to timeoutMs for such a window; 0 when none appeared.
  XWindowId WaitFor(const std::string& title, int timeoutMs, XWindowId except = 0) const;
  bool Viewable(XWindowId window) const;
  // Waits up to timeoutMs until the window is unmapped or destroyed.
  bool WaitClosed(XWindowId window, int timeoutMs) const;
  // The titles of every viewable titled window, for failure reports.
  std::vector<std::string> Titles() const;

  // True while the input focus is window or one of its descendants.
  bool HasFocus(XWindowId window) const;
  bool WaitForFocus(XWindowId window, int timeoutMs) const;
  // Asks the window manager, when there is one, to activate the window.
  void Activate(XWindowId window) const;
  // Presses and releases the key (an X keysym name such as "Return", or a
  // chord such as "Alt_L+y") through the XTEST extension, so it goes where
  // the keyboard focus is.
  bool PressKey(const std::string& keysymName) const;
  // Finds the window, waits for it to take the focus and presses the key:
  // how a user answers a message box. False with a reason when it failed.
  bool Answer(const std::string& title, const std::string& keysymName, int timeoutMs, std::string* why,
              XWindowId except = 0) const;
  // The same for a program that hands the keys its windows get to the window
  // it made active itself, as Wine does: without a window manager the X
  // focus follows the pointer, so the pointer is put over the window and the
  // key pressed there. The window, or 0 with a reason.
  XWindowId AnswerUnderPointer(const std::string& title, const std::string& keysymName, int timeoutMs,
                               std::string* why, XWindowId except = 0) const;

  // The root's children as they are stacked, bottom first.
  struct TopWindow {
    XWindowId id = 0;
    int x = 0, y = 0, width = 0, height = 0;
    bool viewable = false;
  };
  std::vector<TopWindow> Stack() const;
  // A window of one colour over the whole screen, below every other, for
  // the desktop's place; it stays while the driver lives.
  XWindowId Backdrop(std::uint32_t rgb) const;

  // Moves the pointer to (x, y) on the root window through XTEST.
  void MovePointer(int x, int y) const;
  // Presses the left button at (fromX, fromY), moves to (toX, toY) in steps
  // with stepMs between them, and releases it there.
  void Drag(int fromX, int fromY, int toX, int toY, int stepMs) const;
  // Presses and releases the left button at (x, y).
  void Click(int x, int y) const { Drag(x, y, x, y, 20); }
  // Presses and releases the right button at the screen point.
  void RightClick(int x, int y) const;

  // Sends WM_DELETE_WINDOW, as a window manager's close button does.
  void RequestClose(XWindowId window) const;
  // Destroys the window from outside its program, as "xdotool windowclose"
  // does: the program learns of it only from the X server.
  void Destroy(XWindowId window) const;

  // The window's bounds in root coordinates.
  bool Bounds(XWindowId window, int& x, int& y, int& width, int& height) const;
  ScreenImage Capture(int x, int y, int width, int height) const;
  ScreenImage CaptureScreen() const;
  // Covers the rectangle with a window of one colour for a moment and takes
  // it away again, so whatever was below must be painted anew.
  void CoverAndUncover(int x, int y, int width, int height, std::uint32_t rgb, int holdMs) const;

  static bool SavePng(const ScreenImage& image, const std::string& path);

 private:
  std::string TitleOf(XWindowId window) const;
  XWindowId Search(XWindowId from, const std::string& title, XWindowId except, int depth) const;
  void Collect(XWindowId from, int depth, std::vector<std::string>& out) const;

  Display* dpy_ = nullptr;
};

}  // namespace e2e
