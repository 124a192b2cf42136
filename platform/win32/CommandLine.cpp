#include "platform/CommandLine.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/Win32Text.h"

namespace platform {

std::vector<std::string> CommandLineArguments(int, char**) {
  std::vector<std::string> out;
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args) return out;
  for (int i = 1; i < count; ++i) out.push_back(win32::Narrow(args[i]));
  LocalFree(args);
  return out;
}

}  // namespace platform
