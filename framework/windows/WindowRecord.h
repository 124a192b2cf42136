#pragma once
// The window manager's own records and state, shared by its source files.
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "core/SlotTable.h"
#include "framework/paint/Region.h"
#include "framework/windows/Windows.h"
#include "platform/Display.h"

struct WindowRecord {
  HWND handle = nullptr;  // this record's own handle
  const struct ClassRecord* cls = nullptr;
  WNDPROC proc;
  HWND parent = nullptr;  // children only
  HWND owner = nullptr;   // top-level only
  std::vector<HWND> children;  // z-order, topmost first
  DWORD style = 0, exStyle = 0;
  std::intptr_t userData = 0, id = 0;
  AnsiString text;
  RECT rect;    // screen coordinates for top-level windows, parent client coordinates for children
  RECT client;  // client area in window coordinates
  Region update;  // window coordinates
  bool erase = false;
  bool destroyed = false;
  std::optional<Region> shape;  // window region, window coordinates
  RECT normalRect;              // restored bounds while maximised or minimised
  bool trackLeave = false, trackNcLeave = false;

  // Top-level windows only.
  platform::NativeWindow native = 0;
  bool nativePerPixel = false;
  std::unique_ptr<std::uint32_t[]> pixels;
  Surface32 surface;
  bool layeredContent = false;  // the surface came from UpdateLayeredWindow
  BYTE opacity = 255;
  HWND lastFocus = nullptr;  // focus to give back on activation
  std::optional<AnsiString> nativeTitle;
  Region unpresented;            // painted but not yet shown, surface coordinates
  std::uint64_t lastPresent = 0;  // when pixels last went to the display (ms)

  bool IsChild() const { return (style & WS_CHILD) && parent; }
  bool IsTopLevel() const { return !IsChild(); }
  bool Visible() const { return style & WS_VISIBLE; }
  int Width() const { return rect.Width(); }
  int Height() const { return rect.Height(); }
};

struct ClassRecord {
  WNDCLASS wc;
};

struct TimerRecord {
  HWND hwnd;
  std::uintptr_t id;
  UINT interval;
  std::uint64_t due;
  TIMERPROC proc;
};

struct HookRecord {
  HOOKPROC proc;
};

// Everything the window manager knows, owned by the UI thread (the posted
// queue alone is shared with other threads).
struct WindowManager {
  std::map<AnsiString, ClassRecord> classes;  // by lower-cased name
  // The records by handle: a freed window's handle never names another.
  SlotTable<std::unique_ptr<WindowRecord>> windows;
  std::vector<HWND> topLevels;  // z-order, topmost first

  std::mutex queueMutex;
  std::deque<MSG> posted;
  // Input waits as display events and becomes messages only when it is
  // reached, so capture and hit testing see the state of that moment.
  std::deque<platform::Event> rawInput;
  std::deque<MSG> input;
  bool quitPosted = false;
  int quitCode = 0;

  std::vector<TimerRecord> timers;
  std::uintptr_t nextTimerId = 1;
  std::vector<HookRecord*> hooks;

  HWND capture = nullptr;
  HWND focus = nullptr;
  HWND active = nullptr;
  HWND hover = nullptr;    // window under the pointer as last seen (client or not)
  int hoverHit = HTNOWHERE;
  int cursor = IDC_ARROW;
  POINT cursorPos;
  unsigned char keys[256] = {};

  // Double-click detection.
  HWND lastClickWindow = nullptr;
  UINT lastClickMsg = 0;
  DWORD lastClickTime = 0;
  POINT lastClickPos;

  MSG current;  // the message being processed (GetMessageTime / GetMessagePos)
};

WindowManager& WM();
WindowRecord* Rec(HWND hwnd);  // nullptr for a handle that is not a live window
// The record of a window that exists, even while it is being destroyed; code
// of this floor holding a handle it knows to exist reaches the record so.
WindowRecord* R(HWND hwnd);

// Window geometry helpers (WindowTree.cpp).
HWND TopLevelOf(HWND hwnd);
// A layered window with WS_EX_TRANSPARENT lets the pointer through to what
// lies below it; SyncPointerPassThrough tells its native window so.
bool PassesPointerThrough(HWND top);
void SyncPointerPassThrough(HWND top);
// Offset of a window's top-left corner inside its top-level window's surface.
POINT OffsetInTopLevel(HWND hwnd);
// Window rectangle in screen coordinates.
RECT ScreenRectOf(HWND hwnd);
// The pixels of the window (client: its client area) that are visible in its
// top-level window's surface, in surface coordinates, children clipped away.
Region VisibleRegion(HWND hwnd, bool clientOnly);
void RecalcClientRect(HWND hwnd);

// Painting (WindowPaint.cpp).
void InvalidateTree(HWND hwnd, const Region& windowArea, bool erase);
void PresentRects(HWND top, const Region& surfaceArea);
// Painted pixels reach the display at most once a frame; PresentLater queues
// them, PresentDue sends what is due (all when force) and tells when the rest is.
void PresentLater(HWND top, const Region& surfaceArea);
std::uint64_t PresentDue(bool force);
HWND FindWindowToPaint();
void AllocateSurface(HWND top);

// Input (Input.cpp): takes pending display events, handles those that are not
// input at once and queues the input; TranslateNextInput makes the messages of
// the next queued input event.
void PumpDisplayEvents();
bool TranslateNextInput();
// Keeps GetKeyState in step with the input message being taken.
void NoteKeyState(const MSG& m);
// fromDisplay: the display already gave the window the focus; do not ask again.
bool ActivateWindow(HWND top, bool byMouse, bool fromDisplay = false);
void DeactivateWindow(HWND top);

// Default non-client metrics (DefWindowProc.cpp).
RECT DefaultClientRect(HWND hwnd, const RECT& windowRect);
void RunMoveSizeLoop(HWND hwnd, int hit);

// Messages (MessageQueue.cpp).
LRESULT CallWithHooks(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
// The display's modal idle: while the system runs a modal loop of its own
// (its message box, its move or size loop), the program's messages go on
// being handled, a few at a time, as the platform's modal loops do.
void DispatchWhileSystemModal();
void PostInput(const MSG& m);  // appends to the input messages
