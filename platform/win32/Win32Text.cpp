#include "platform/win32/Win32Text.h"

#include <windows.h>

#include <cerrno>

#include "platform/CodePage.h"

namespace platform::win32 {

std::wstring Widen(const std::string& utf8) {
  const std::u16string u = Utf8ToUtf16(utf8);
  return std::wstring(u.begin(), u.end());
}

std::string Narrow(const std::wstring& utf16) { return Utf16ToUtf8(std::u16string(utf16.begin(), utf16.end())); }

namespace {
// The plain form stops at MAX_PATH (260) characters, a directory at 248.
constexpr std::size_t kPlainPathLimit = 240;
}  // namespace

std::wstring WidePath(const std::string& osPath) {
  std::wstring w = Widen(osPath);
  for (wchar_t& c : w)
    if (c == L'/') c = L'\\';
  if (w.size() < kPlainPathLimit || w.rfind(L"\\\\?\\", 0) == 0) return w;
  const DWORD n = GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
  if (n == 0) return w;
  std::wstring full(n, L'\0');
  const DWORD got = GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
  if (got == 0 || got >= n) return w;
  full.resize(got);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

int ErrnoFromWindowsError(unsigned long error) {
  switch (error) {
    case ERROR_SUCCESS: return 0;
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_DRIVE: case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: case ERROR_NO_ASSOCIATION: case ERROR_DIRECTORY: case ERROR_MOD_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED: case ERROR_NETWORK_ACCESS_DENIED: case ERROR_CURRENT_DIRECTORY:
    case ERROR_DELETE_PENDING:
      return EACCES;
    // Another program holds the file: worth waiting for (FileHolders.h).
    case ERROR_SHARING_VIOLATION: case ERROR_LOCK_VIOLATION: return EBUSY;
    case ERROR_FILE_EXISTS: case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    case ERROR_INVALID_NAME: case ERROR_BAD_PATHNAME: case ERROR_INVALID_PARAMETER: return EINVAL;
    case ERROR_NOT_ENOUGH_MEMORY: case ERROR_OUTOFMEMORY: return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    case ERROR_WRITE_PROTECT: return EROFS;
    case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
    case ERROR_INVALID_HANDLE: return EBADF;
    case ERROR_NOT_SAME_DEVICE: return EXDEV;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_BAD_EXE_FORMAT: case ERROR_EXE_MARKED_INVALID: case ERROR_BAD_FORMAT: return ENOEXEC;
    case ERROR_CANCELLED: return ECANCELED;
    case ERROR_BROKEN_PIPE: case ERROR_NO_DATA: return EPIPE;
    default: return EIO;
  }
}

void SetErrnoFromLastError() { errno = ErrnoFromWindowsError(GetLastError()); }

std::string WindowsErrorText(unsigned long error) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring w = n && text ? std::wstring(text, n) : std::wstring();
  if (text) LocalFree(text);
  while (!w.empty() && (w.back() == L'\r' || w.back() == L'\n' || w.back() == L' ')) w.pop_back();
  return Utf16ToCp936(std::u16string(w.begin(), w.end()));
}

}  // namespace platform::win32
