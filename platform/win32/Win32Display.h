#pragma once
// The display backend on the Windows API: one native top-level window per
// native window, without a system frame, since the window manager in
// framework/ draws captions and frames itself. Each window keeps the pixels
// last presented to it in a bitmap of its own, from which the system's
// repaints are served and layered windows are updated. Declared without
// <windows.h>; the system's handle types are named by their tags.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "platform/Display.h"

struct HWND__;
struct HBITMAP__;
struct HICON__;
struct HDC__;

namespace platform::win32 {

// The system's cursor of each shape (Win32DisplayPointer.cpp).
HICON__* CursorFor(CursorShape shape);

class Win32Display : public DisplayBackend {
 public:
  Win32Display();
  ~Win32Display() override;

  const char* Name() const override { return "win32"; }
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
  // The system blends layered windows itself.
  bool BlendsPerPixelAlpha() override { return true; }
  void Present(NativeWindow w, const std::uint32_t* pixels, int width, int height, int stride,
               const std::vector<IntRect>& rects) override;
  void GrabPointer(NativeWindow w) override;
  void UngrabPointer() override;
  void SetCursor(NativeWindow w, CursorShape shape) override;
  void PointerPosition(int& x, int& y) override;
  bool BeginSystemMoveSize(NativeWindow w, MoveSizeEdge edge, int screenX, int screenY, int button) override;
  DoubleClickLimits DoubleClick() override;
  std::vector<MonitorInfo> Monitors() override;
  bool HasSystemMessageBox() override { return true; }
  int SystemMessageBox(NativeWindow owner, const std::string& text, const std::string& caption,
                       unsigned type) override;
  bool PollEvent(Event& e) override;
  void WaitEvents(int timeoutMs) override;
  void Wake() override;

  // The window procedure of every window of this backend (Win32DisplayEvents.cpp).
  static std::intptr_t __stdcall WindowProc(HWND__* hwnd, unsigned msg, std::uintptr_t wp, std::intptr_t lp);

 private:
  struct WindowRecord {
    HWND__* hwnd = nullptr;
    NativeWindowParams params;
    IntRect bounds;  // outer bounds on the screen, as last set or reported
    // The pixels last presented (premultiplied for per-pixel alpha), top-down.
    HBITMAP__* bitmap = nullptr;
    std::uint32_t* bits = nullptr;
    int bitmapWidth = 0, bitmapHeight = 0;
    HICON__* icon = nullptr;
    CursorShape cursor = CursorShape::Arrow;
    std::uint8_t opacity = 255;
    bool passThrough = false;
    bool iconified = false;
    bool tracking = false;    // a leave notice is asked for
    bool destroying = false;  // DestroyWindow of ours is under way
  };

  // While alive, changes of window positions are ours: the system's notices
  // of them are not reported as moves from outside.
  class OwnChange {
   public:
    explicit OwnChange(Win32Display& d) : d_(d) { ++d_.ownChanges_; }
    ~OwnChange() { --d_.ownChanges_; }

   private:
    Win32Display& d_;
  };
  // While alive, the system runs a modal loop of its own: the queue is left
  // to that loop, and the modal idle runs on a timer (Win32DisplayPointer.cpp).
  class SystemModal {
   public:
    explicit SystemModal(Win32Display& d);
    ~SystemModal();

   private:
    Win32Display& d_;
  };

  WindowRecord* Find(NativeWindow w);
  static WindowRecord* RecordOf(HWND__* hwnd);
  void Forget(WindowRecord& r);
  // The extended style that the window's opacity, pass-through and per-pixel
  // alpha call for (Win32Display.cpp).
  void ApplyLayering(WindowRecord& r);

  // Presenting (Win32DisplayPresent.cpp).
  void EnsureBitmap(WindowRecord& r, int width, int height);
  void FreeBitmap(WindowRecord& r);
  void BlitToWindow(WindowRecord& r, HDC__* target, const IntRect& rect);
  void UpdateLayered(WindowRecord& r);
  void PaintFromBitmap(WindowRecord& r);

  // Events (Win32DisplayEvents.cpp).
  std::intptr_t Handle(WindowRecord& r, unsigned msg, std::uintptr_t wp, std::intptr_t lp);
  void Push(Event e, WindowRecord& r);
  void PushMouse(WindowRecord& r, EventType type, int button, std::intptr_t lp);
  void PushWheel(WindowRecord& r, std::uintptr_t wp, std::intptr_t lp);
  void PushKey(WindowRecord& r, bool down, std::uintptr_t wp);
  void PushCharacters(WindowRecord& r, const std::u16string& units);
  // The characters that TranslateMessage made of the key just dispatched.
  void TakeTypedText(HWND__* hwnd);
  void NoteLeftButton(const Event& e);
  std::uint64_t StampTime(std::uint32_t messageTime);
  static void __stdcall ModalIdleTimer(HWND__* hwnd, unsigned msg, std::uintptr_t id, unsigned long time);

  // The backend whose windows the window procedure serves.
  static Win32Display* instance_;

  std::map<HWND__*, std::unique_ptr<WindowRecord>> windows_;
  std::deque<Event> queue_;
  void* wake_ = nullptr;  // an event object, set by Wake from any thread
  HDC__* memoryDc_ = nullptr;
  HWND__* grab_ = nullptr;
  HWND__* hover_ = nullptr;
  // The left button as the events handed out so far have it: a system move
  // begun after its release would wait for a release that already went by.
  bool leftHeld_ = false;
  int ownChanges_ = 0;
  int modalDepth_ = 0;
  int idleDepth_ = 0;  // the modal depth the idle runs at; 0 while it does not
  std::uintptr_t idleTimer_ = 0;
  std::uint32_t lastMessageTime_ = 0;
  std::uint64_t timeHigh_ = 0;  // wraps of the system's 32-bit millisecond clock
};

}  // namespace platform::win32
