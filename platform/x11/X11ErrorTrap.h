#pragma once
// Xlib reports protocol errors through one process-wide handler whose default
// ends the process. Ours records them instead, so that a request on a window
// that has just gone away (BadWindow) or a refused shared-memory attach
// (BadAccess) becomes something the caller can check.
#include "platform/x11/XlibHeaders.h"

namespace platform::x11 {

// Installs the recording handler; safe to call more than once.
void InstallErrorHandler();

// The number of errors recorded so far for any connection.
unsigned long RecordedErrorCount();

// Catches the errors of the requests made while it lives.
class ErrorTrap {
 public:
  explicit ErrorTrap(XDisplay* dpy);
  // Waits for the server to process every request made so far and tells
  // whether one of those made since the trap was set failed.
  bool Failed();
  // The error code of the first such failure (0 when none).
  int FirstErrorCode() const { return firstCode_; }

 private:
  XDisplay* dpy_;
  unsigned long firstSerial_;
  int firstCode_ = 0;
};

}  // namespace platform::x11
