// Processes on Windows: a Toolhelp snapshot lists them by executable name,
// TerminateProcess ends one.
#include "platform/Processes.h"

#include <windows.h>
#include <tlhelp32.h>

#include "platform/Files.h"
#include "platform/win32/Win32Text.h"

namespace platform {

int CurrentProcessId() { return static_cast<int>(GetCurrentProcessId()); }

std::vector<ProcessEntry> ListProcesses() {
  std::vector<ProcessEntry> list;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return list;
  PROCESSENTRY32W entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    list.push_back({static_cast<int>(entry.th32ProcessID), FromOsPath(win32::Narrow(entry.szExeFile))});
  CloseHandle(snapshot);
  return list;
}

bool KillProcess(int pid) {
  if (pid <= 0) return false;
  HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
  if (!process) return false;
  const bool ok = TerminateProcess(process, 1);
  CloseHandle(process);
  return ok;
}

std::string ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  // The long form, without the "\\?\" some starts give it.
  if (path.rfind(L"\\\\?\\", 0) == 0 && path.rfind(L"\\\\?\\UNC\\", 0) != 0) path.erase(0, 4);
  return FromOsPath(win32::Narrow(path));
}

bool MakeExecutable(const std::string& path) {
  // Whether a file runs depends on its name here, not on a permission.
  return FileExists(path);
}

}  // namespace platform
