// The message queue of the UI thread: posted and sent messages, WM_PAINT and
// WM_TIMER made when nothing else waits, hooks, and the wait for input.
#include <algorithm>
#include <condition_variable>

#include "framework/windows/WindowRecord.h"
#include "platform/Clock.h"

namespace {

std::condition_variable& QueueSignal() {
  static std::condition_variable cv;
  return cv;
}

bool Matches(const MSG& m, HWND filter, UINT first, UINT last) {
  if (filter && m.hwnd != filter && !(Rec(m.hwnd) && IsChild(filter, m.hwnd))) return false;
  if (first == 0 && last == 0) return true;
  return m.message >= first && m.message <= last;
}

bool InRange(UINT msg, UINT first, UINT last) { return (first == 0 && last == 0) || (msg >= first && msg <= last); }

DWORD Now() { return static_cast<DWORD>(platform::TickCount()); }

MSG Stamp(MSG m) {
  m.time = Now();
  m.pt = WM().cursorPos;
  return m;
}

}  // namespace

LRESULT CallWithHooks(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WindowManager& wm = WM();
  if (!wm.hooks.empty()) {
    CWPSTRUCT cwp{lp, wp, msg, hwnd};
    std::vector<HookRecord*> hooks = wm.hooks;
    for (HookRecord* h : hooks)
      if (std::find(wm.hooks.begin(), wm.hooks.end(), h) != wm.hooks.end()) h->proc(cwp);
    if (!Rec(hwnd)) return 0;
  }
  WNDPROC proc = R(hwnd)->proc;  // a copy: the procedure may replace itself while running
  return proc ? proc(hwnd, msg, wp, lp) : DefWindowProc(hwnd, msg, wp, lp);
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (!Rec(hwnd)) return 0;
  return CallWithHooks(hwnd, msg, wp, lp);
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  WindowManager& wm = WM();
  {
    std::lock_guard<std::mutex> lock(wm.queueMutex);
    MSG m;
    m.hwnd = hwnd;
    m.message = msg;
    m.wParam = wp;
    m.lParam = lp;
    m.time = Now();
    wm.posted.push_back(m);
  }
  QueueSignal().notify_all();
  if (platform::DisplayBackend* d = platform::Display()) d->Wake();
  return 1;
}

void PostInput(const MSG& m) { WM().input.push_back(Stamp(m)); }

void PostQuitMessage(int exitCode) {
  WindowManager& wm = WM();
  {
    std::lock_guard<std::mutex> lock(wm.queueMutex);
    wm.quitPosted = true;
    wm.quitCode = exitCode;
  }
  QueueSignal().notify_all();
  if (platform::DisplayBackend* d = platform::Display()) d->Wake();
}

// The next message for the filter, removed from the queue when asked.
static bool NextMessage(MSG* out, HWND filter, UINT first, UINT last, bool remove) {
  WindowManager& wm = WM();
  PumpDisplayEvents();
  {
    std::lock_guard<std::mutex> lock(wm.queueMutex);
    for (auto it = wm.posted.begin(); it != wm.posted.end(); ++it) {
      if (!Matches(*it, filter, first, last)) continue;
      *out = *it;
      if (remove) wm.posted.erase(it);
      return true;
    }
  }
  // Input after posted messages, made from display events one at a time.
  while (wm.input.empty() && TranslateNextInput()) {}
  for (auto it = wm.input.begin(); it != wm.input.end(); ++it) {
    if (!Matches(*it, filter, first, last)) continue;
    *out = *it;
    if (remove) {
      wm.input.erase(it);
      NoteKeyState(*out);
    }
    return true;
  }
  {
    std::lock_guard<std::mutex> lock(wm.queueMutex);
    if (wm.quitPosted && InRange(WM_QUIT, first, last)) {
      *out = MSG{};
      out->message = WM_QUIT;
      out->wParam = static_cast<WPARAM>(wm.quitCode);
      if (remove) wm.quitPosted = false;
      return true;
    }
  }
  if (InRange(WM_PAINT, first, last)) {
    HWND p = FindWindowToPaint();
    if (p && (!filter || p == filter || IsChild(filter, p))) {
      *out = Stamp(MSG{p, WM_PAINT, 0, 0, 0, {}});
      return true;
    }
  }
  if (InRange(WM_TIMER, first, last)) {
    std::uint64_t now = platform::TickCount();
    PresentDue(false);
    TimerRecord* best = nullptr;
    for (TimerRecord& t : wm.timers)
      if (t.due <= now && (!filter || t.hwnd == filter) && (!best || t.due < best->due)) best = &t;
    if (best) {
      *out = Stamp(MSG{best->hwnd, WM_TIMER, best->id, 0, 0, {}});
      if (remove) best->due = now + best->interval;
      return true;
    }
  }
  return false;
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT first, UINT last, UINT remove) {
  return NextMessage(msg, hwnd, first, last, remove & PM_REMOVE);
}

static bool AnythingPending() {
  MSG m;
  return NextMessage(&m, nullptr, 0, 0, false);
}

void WaitMessageTimeout(DWORD ms) {
  if (AnythingPending()) return;
  WindowManager& wm = WM();
  std::uint64_t now = platform::TickCount();
  std::uint64_t limit = ms == INFINITE ? UINT64_MAX : now + ms;
  for (const TimerRecord& t : wm.timers) limit = std::min(limit, t.due);
  limit = std::min(limit, PresentDue(false));
  int wait = limit == UINT64_MAX ? -1 : static_cast<int>(limit > now ? limit - now : 0);
  if (wait == 0) return;
  if (platform::DisplayBackend* d = platform::Display()) {
    d->WaitEvents(wait);
    return;
  }
  std::unique_lock<std::mutex> lock(wm.queueMutex);
  auto ready = [&] { return !wm.posted.empty() || wm.quitPosted; };
  if (wait < 0) QueueSignal().wait(lock, ready);
  else QueueSignal().wait_for(lock, std::chrono::milliseconds(wait), ready);
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT first, UINT last) {
  while (!NextMessage(msg, hwnd, first, last, true)) WaitMessageTimeout(INFINITE);
  return msg->message != WM_QUIT;
}

BOOL TranslateMessage(const MSG*) {
  // Characters are made from key presses as the input arrives.
  return 0;
}

LRESULT DispatchMessage(const MSG* msg) {
  WindowManager& wm = WM();
  MSG saved = wm.current;
  wm.current = *msg;
  LRESULT r = 0;
  if (msg->message == WM_TIMER) {
    auto it = std::find_if(wm.timers.begin(), wm.timers.end(),
                           [&](const TimerRecord& t) { return t.hwnd == msg->hwnd && t.id == msg->wParam; });
    if (it != wm.timers.end() && it->proc) {
      TIMERPROC proc = it->proc;
      proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
      wm.current = saved;
      return 0;
    }
  }
  if (Rec(msg->hwnd)) {
    r = CallWithHooks(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    // A window that ignores WM_PAINT would be asked forever.
    if (msg->message == WM_PAINT && Rec(msg->hwnd) && !R(msg->hwnd)->update.IsEmpty()) {
      PAINTSTRUCT ps;
      BeginPaint(msg->hwnd, &ps);
      EndPaint(msg->hwnd, &ps);
    }
  }
  wm.current = saved;
  return r;
}

void DispatchWhileSystemModal() {
  // Enough to keep up with timers and painting, few enough to hand the
  // system's loop its own input again soon.
  constexpr int kMessagesPerTurn = 64;
  MSG m;
  for (int i = 0; i < kMessagesPerTurn && PeekMessage(&m, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      return;
    }
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  PresentDue(false);
}

DWORD GetMessageTime() { return WM().current.time; }
POINT GetMessagePos() { return WM().current.pt; }

std::uintptr_t SetTimer(HWND hwnd, std::uintptr_t id, UINT ms, TIMERPROC proc) {
  WindowManager& wm = WM();
  if (hwnd && !Rec(hwnd)) return 0;
  if (!hwnd) id = wm.nextTimerId++;
  ms = std::max<UINT>(ms, 10);
  std::uint64_t due = platform::TickCount() + ms;
  for (TimerRecord& t : wm.timers)
    if (t.hwnd == hwnd && t.id == id) {
      t.interval = ms;
      t.due = due;
      t.proc = std::move(proc);
      return hwnd ? 1 : id;
    }
  wm.timers.push_back({hwnd, id, ms, due, std::move(proc)});
  return hwnd ? 1 : id;
}

BOOL KillTimer(HWND hwnd, std::uintptr_t id) {
  WindowManager& wm = WM();
  auto it = std::find_if(wm.timers.begin(), wm.timers.end(), [&](const TimerRecord& t) { return t.hwnd == hwnd && t.id == id; });
  if (it == wm.timers.end()) return 0;
  wm.timers.erase(it);
  // A WM_TIMER already taken from the queue is not recalled, as on the platform;
  // none is queued here because timers are made on demand.
  return 1;
}

HHOOK SetCallWndProcHook(HOOKPROC proc) {
  auto* h = new HookRecord{std::move(proc)};
  WM().hooks.insert(WM().hooks.begin(), h);
  return h;
}

BOOL UnhookWindowsHook(HHOOK hook) {
  auto& hooks = WM().hooks;
  auto it = std::find(hooks.begin(), hooks.end(), hook);
  if (it == hooks.end()) return 0;
  hooks.erase(it);
  delete hook;
  return 1;
}
