#include "platform/x11/X11ErrorTrap.h"

#include <array>
#include <mutex>

namespace platform::x11 {

namespace {

struct RecordedError {
  XDisplay* dpy = nullptr;
  unsigned long serial = 0;
  int code = 0;
};

// A short ring is enough: a trap looks only at errors of its own requests,
// which arrive while it waits in XSync.
struct ErrorLog {
  std::mutex mu;
  std::array<RecordedError, 64> ring;
  unsigned long count = 0;
};

ErrorLog& Log() {
  static ErrorLog log;
  return log;
}

int RecordError(XDisplay* dpy, XErrorEvent* e) {
  ErrorLog& log = Log();
  std::lock_guard<std::mutex> lock(log.mu);
  log.ring[log.count % log.ring.size()] = {dpy, e->serial, e->error_code};
  ++log.count;
  return 0;
}

}  // namespace

void InstallErrorHandler() {
  static std::once_flag once;
  std::call_once(once, [] { XSetErrorHandler(RecordError); });
}

unsigned long RecordedErrorCount() {
  ErrorLog& log = Log();
  std::lock_guard<std::mutex> lock(log.mu);
  return log.count;
}

ErrorTrap::ErrorTrap(XDisplay* dpy) : dpy_(dpy), firstSerial_(NextRequest(dpy)) { InstallErrorHandler(); }

bool ErrorTrap::Failed() {
  XSync(dpy_, False);
  ErrorLog& log = Log();
  std::lock_guard<std::mutex> lock(log.mu);
  unsigned long kept = log.count < log.ring.size() ? log.count : log.ring.size();
  for (unsigned long i = 0; i < kept; ++i) {
    const RecordedError& r = log.ring[(log.count - kept + i) % log.ring.size()];
    if (r.dpy == dpy_ && r.serial >= firstSerial_) {
      firstCode_ = r.code;
      return true;
    }
  }
  return false;
}

}  // namespace platform::x11
