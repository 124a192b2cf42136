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
}  // namespace

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
