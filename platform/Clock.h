#pragma once
// Monotonic time and sleeping.
#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary fixed point; never goes backwards.
std::uint64_t TickCount();
void SleepMs(std::uint32_t ms);
// True when called on the thread that first called this (the UI thread).
bool IsMainThread();

}  // namespace platform
