#pragma once
// Monotonic time and sleeping.
#include <cstdint>
#include <ctime>

namespace platform {

// Milliseconds since an arbitrary fixed point; never goes backwards.
std::uint64_t TickCount();
void SleepMs(std::uint32_t ms);
// The calendar fields of a moment in local time or in UTC, the same way on
// every system; false when the system cannot tell.
bool LocalCalendarTime(std::time_t t, std::tm& out);
bool UtcCalendarTime(std::time_t t, std::tm& out);
// True when called on the thread that first called this (the UI thread).
bool IsMainThread();

}  // namespace platform
