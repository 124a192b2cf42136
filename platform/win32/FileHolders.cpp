#include "platform/FileHolders.h"

#include <windows.h>
// After <windows.h>, whose types it uses.
#include <restartmanager.h>

#include <vector>

#include "platform/win32/Win32Text.h"

namespace platform {

namespace {

// The Restart Manager's calls, found at run time: a system without it (Wine
// has none) still runs the program, only without the holders' names.
struct RestartManager {
  decltype(&RmStartSession) start = nullptr;
  decltype(&RmRegisterResources) add = nullptr;
  decltype(&RmGetList) list = nullptr;
  decltype(&RmEndSession) end = nullptr;
  RestartManager() {
    const HMODULE dll = LoadLibraryW(L"rstrtmgr.dll");
    if (!dll) return;
    start = reinterpret_cast<decltype(start)>(reinterpret_cast<void*>(GetProcAddress(dll, "RmStartSession")));
    add = reinterpret_cast<decltype(add)>(reinterpret_cast<void*>(GetProcAddress(dll, "RmRegisterResources")));
    list = reinterpret_cast<decltype(list)>(reinterpret_cast<void*>(GetProcAddress(dll, "RmGetList")));
    end = reinterpret_cast<decltype(end)>(reinterpret_cast<void*>(GetProcAddress(dll, "RmEndSession")));
  }
  bool Usable() const { return start && add && list && end; }
};

}  // namespace

std::string ProgramsHoldingFile(const std::string& osPath) {
  static const RestartManager rm;
  if (!rm.Usable()) return {};
  DWORD session = 0;
  WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
  if (rm.start(&session, 0, key) != ERROR_SUCCESS) return {};
  std::string names;
  const std::wstring path = win32::WidePath(osPath);
  LPCWSTR files[] = {path.c_str()};
  if (rm.add(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS) {
    UINT needed = 0, count = 0;
    DWORD reasons = 0;
    std::vector<RM_PROCESS_INFO> found;
    DWORD result = ERROR_MORE_DATA;
    // The list may grow between the calls; a few tries are enough.
    for (int tries = 0; tries < 3 && result == ERROR_MORE_DATA; ++tries) {
      found.resize(needed);
      count = needed;
      result = rm.list(session, &needed, &count, found.data(), &reasons);
    }
    if (result == ERROR_SUCCESS) {
      for (UINT i = 0; i < count; ++i) {
        const std::string name = win32::Narrow(found[i].strAppName);
        if (!name.empty()) names += (names.empty() ? "" : ", ") + name;
      }
    }
  }
  rm.end(session);
  return names;
}

FileHandle OpenFileUnshared(const std::string& osPath) {
  const HANDLE h = CreateFileW(win32::WidePath(osPath).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    win32::SetErrnoFromLastError();
    return kNoFile;
  }
  return reinterpret_cast<FileHandle>(h);
}

}  // namespace platform
