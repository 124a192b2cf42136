#include "app/Seams.h"

#include <cstdlib>

#ifndef QUELBO_UPDATE_PUBLIC_KEY
#define QUELBO_UPDATE_PUBLIC_KEY ""
#endif

namespace {
ExitHook g_exitHook;
OnlineHook g_onlineHook;
AnsiString g_appDir;
AnsiString g_updateHost;
std::optional<AnsiString> g_updateKey;
std::optional<std::int64_t> g_packageMemoryLimit;

// Measured: in memory, a package is unpacked while its file is written, and
// the memory it takes is the package's size; beyond this the file's road is
// as fast and memory stays small.
constexpr std::int64_t kPackageMemoryLimit = 256ll << 20;
}  // namespace

std::int64_t PackageMemoryLimit() {
  if (g_packageMemoryLimit) return *g_packageMemoryLimit;
#ifdef QUELBO_TEST_SETTINGS
  // The copies the end-to-end tests run take the limit from their environment.
  if (const char* v = std::getenv("QUELBO_TEST_PACKAGE_MEMORY_LIMIT")) return std::atoll(v);
#endif
  return kPackageMemoryLimit;
}
void SetPackageMemoryLimitOverride(std::optional<std::int64_t> limit) { g_packageMemoryLimit = limit; }

void ExitProcessNow(int code) {
  if (g_exitHook) {
    g_exitHook(code);
    return;
  }
  std::_Exit(code);
}

ExitHook SetExitHook(ExitHook hook) {
  std::swap(g_exitHook, hook);
  return hook;
}

OnlineHook SetOnlineHook(OnlineHook hook) {
  std::swap(g_onlineHook, hook);
  return hook;
}

const OnlineHook& CurrentOnlineHook() { return g_onlineHook; }

void SetAppDirOverride(const AnsiString& dir) { g_appDir = dir; }
const AnsiString& AppDirOverride() { return g_appDir; }

AnsiString UpdateHost() { return g_updateHost.empty() ? AnsiString(QUELBO_UPDATE_HOST) : g_updateHost; }
void SetUpdateHostOverride(const AnsiString& host) { g_updateHost = host; }

AnsiString UpdatePublicKey() { return g_updateKey ? *g_updateKey : AnsiString(QUELBO_UPDATE_PUBLIC_KEY); }
void SetUpdatePublicKeyOverride(std::optional<AnsiString> key) { g_updateKey = std::move(key); }
