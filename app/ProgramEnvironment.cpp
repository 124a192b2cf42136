#include "app/ProgramEnvironment.h"

#include <cstdlib>

#include "app/update/Installation.h"

#ifndef QUELBO_UPDATE_PUBLIC_KEY
#define QUELBO_UPDATE_PUBLIC_KEY ""
#endif

UpdateEnvironment ProgramEnvironment() {
  UpdateEnvironment env = SystemEnvironment(GetAppDir(), QUELBO_UPDATE_HOST, QUELBO_UPDATE_PUBLIC_KEY);
#ifdef QUELBO_TEST_SETTINGS
  // The copies the end-to-end tests run take the memory limit and the stall
  // watchdog from their environment.
  if (const char* v = std::getenv("QUELBO_TEST_PACKAGE_MEMORY_LIMIT")) env.packageMemoryLimit = std::atoll(v);
  if (const char* v = std::getenv("QUELBO_TEST_STALL_TIMEOUT_MS")) env.stallTimeoutMs = std::atoi(v);
#endif
  return env;
}
