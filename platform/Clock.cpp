#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace platform {

std::uint64_t TickCount() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SleepMs(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

namespace {
// The process's first thread is the UI thread: initialised during static
// start-up, which runs on it.
const std::thread::id g_main = std::this_thread::get_id();
}  // namespace

bool IsMainThread() { return std::this_thread::get_id() == g_main; }

}  // namespace platform
