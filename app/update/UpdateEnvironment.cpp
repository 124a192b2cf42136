#include "app/update/UpdateEnvironment.h"

#include <cstdlib>
#include <ctime>

#include "app/update/Processes.h"
#include "platform/Connectivity.h"

UpdateEnvironment SystemEnvironment(const AnsiString& AppDir, const AnsiString& Host, const AnsiString& Key) {
  UpdateEnvironment env;
  env.appDir = AppDir;
  env.updateHost = Host;
  env.publicKey = Key;
  env.now = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
  env.online = [] { return platform::HasNetworkConnection(); };
  env.killProcessByName = KillProcessByName;
  env.startProgram = StartProgramFile;
  env.exitNow = [](int code) { std::_Exit(code); };
  return env;
}
