#include "platform/FontsFolder.h"

#include <windows.h>

#include "platform/win32/Win32Text.h"

namespace platform {

std::string SystemFontsFolder() {
  wchar_t windows[MAX_PATH];
  const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return win32::Narrow(std::wstring(windows, n) + L"\\Fonts");
}

}  // namespace platform
