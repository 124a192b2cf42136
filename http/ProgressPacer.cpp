#include "http/ProgressPacer.h"

#include "platform/Clock.h"

TProgressPacer::TProgressPacer(TMillisecondClock Clock) { SetClock(std::move(Clock)); }

void TProgressPacer::SetClock(TMillisecondClock Clock) {
  clock_ = Clock ? std::move(Clock) : TMillisecondClock(platform::TickCount);
}

bool TProgressPacer::Due(std::int64_t Done, bool Final) {
  const std::uint64_t now = clock_();
  const bool due = !shown_ || (Final ? Done != shownDone_ : now - shownAt_ >= static_cast<std::uint64_t>(interval_));
  if (due) {
    shown_ = true;
    shownDone_ = Done;
    shownAt_ = now;
  }
  return due;
}
