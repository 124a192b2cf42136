#pragma once
// Progress in bytes, reported at a pace a person can follow: a transfer may
// count thousands of blocks a second, and a display needs a few dozen.
#include <cstdint>
#include <functional>

#include "core/Classes.h"

// Done bytes of Total (-1: not known).
using TProgressEvent = std::function<void(TObject* Sender, std::int64_t Done, std::int64_t Total)>;

// Milliseconds from some fixed moment; the platform's tick count unless a
// test sets its own.
using TMillisecondClock = std::function<std::uint64_t()>;

class TProgressPacer {
 public:
  explicit TProgressPacer(TMillisecondClock Clock = nullptr);

  // Milliseconds between two reports (0: every count is reported).
  int Interval() const { return interval_; }
  void SetInterval(int Ms) { interval_ = Ms > 0 ? Ms : 0; }
  void SetClock(TMillisecondClock Clock);

  // A new transfer: its first count is due at once.
  void Reset() { shown_ = false; }
  // Whether Done is to be reported now: the first count of a transfer, a
  // final one that has not been shown yet, and any other once Interval has
  // passed since the last report.
  bool Due(std::int64_t Done, bool Final);

 private:
  TMillisecondClock clock_;
  int interval_ = 33;
  bool shown_ = false;
  std::int64_t shownDone_ = 0;
  std::uint64_t shownAt_ = 0;
};
