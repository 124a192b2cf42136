#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace platform {

std::uint64_t TickCount() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SleepMs(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool LocalCalendarTime(std::time_t t, std::tm& out) {
#ifdef _WIN32
  return localtime_s(&out, &t) == 0;
#else
  return localtime_r(&t, &out) != nullptr;
#endif
}

bool UtcCalendarTime(std::time_t t, std::tm& out) {
#ifdef _WIN32
  return gmtime_s(&out, &t) == 0;
#else
  return gmtime_r(&t, &out) != nullptr;
#endif
}

namespace {
// The process's first thread is the UI thread: initialised during static
// start-up, which runs on it.
const std::thread::id g_main = std::this_thread::get_id();
}  // namespace

bool IsMainThread() { return std::this_thread::get_id() == g_main; }

}  // namespace platform
