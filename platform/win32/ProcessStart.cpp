// Starting a program on Windows without waiting for it: an executable through
// CreateProcessW, any other file through the program the system opens it
// with (ShellExecuteExW). A start that fails reports an errno value, as on
// Linux.
#include <windows.h>
#include <shellapi.h>

#include <cerrno>

#include "platform/Files.h"
#include "platform/PathNames.h"
#include "platform/Processes.h"
#include "platform/win32/Win32Text.h"

namespace platform {
namespace {

bool IsProgramName(const std::string& osPath) {
  const std::string name = NameOf(osPath);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string extension = name.substr(dot + 1);
  for (char& c : extension)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return extension == "EXE" || extension == "COM";
}

// The command line of a program with no arguments: its path in quotes.
std::wstring CommandLineOf(const std::wstring& program) { return L"\"" + program + L"\""; }

}  // namespace

bool StartDetached(const std::string& path, int* error) {
  int unused = 0;
  int& err = error ? *error : unused;
  err = 0;
  const std::string os = ToOsPath(path);
  std::wstring wide = win32::Widen(os);
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    err = win32::ErrnoFromWindowsError(GetLastError());
    return false;
  }
  if (IsProgramName(os) && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    std::wstring commandLine = CommandLineOf(wide);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(wide.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP, nullptr,
                        nullptr, &startup, &process)) {
      err = win32::ErrnoFromWindowsError(GetLastError());
      return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
  }
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = wide.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) {
    err = win32::ErrnoFromWindowsError(GetLastError());
    return false;
  }
  return true;
}

}  // namespace platform
