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

// Measured (bench/e2e): at 50 MB both roads take the same time, at 200 MB
// the file's road is faster (the memory stream's growth costs more than the
// file's page cache) and needs a seventh of the memory; small packages keep
// the road that needs no read-back.
constexpr std::int64_t kPackageMemoryLimit = 32ll << 20;
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
