#include "app/ProgramEnvironment.h"

#include <cstdlib>

#include "app/update/Installation.h"

#ifndef QUELBO_UPDATE_PUBLIC_KEY
#define QUELBO_UPDATE_PUBLIC_KEY ""
#endif

UpdateEnvironment ProgramEnvironment() {
  UpdateEnvironment env = SystemEnvironment(GetAppDir(), QUELBO_UPDATE_HOST, QUELBO_UPDATE_PUBLIC_KEY);
#ifdef QUELBO_TEST_SETTINGS
  // The copies the end-to-end tests run take the limit from their environment.
  if (const char* v = std::getenv("QUELBO_TEST_PACKAGE_MEMORY_LIMIT")) env.packageMemoryLimit = std::atoll(v);
#endif
  return env;
}
