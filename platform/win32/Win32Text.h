#pragma once
// Text at the boundary of the Windows API, for the files of this folder: the
// program's operating-system paths are UTF-8 (Files.h), every call takes
// UTF-16. Declared without <windows.h>.
#include <string>

namespace platform::win32 {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
// An operating-system path for the wide calls: "/" becomes "\", and a path
// too long for the plain form gets the "\\?\" form of its full path, which
// has no length limit.
std::wstring WidePath(const std::string& osPath);
// The errno value for a Windows error code (GetLastError), and the same for
// the last error of this thread, stored in errno.
int ErrnoFromWindowsError(unsigned long error);
void SetErrnoFromLastError();
// The system's text for a Windows error code, in code page 936, without the
// line break it ends with.
std::string WindowsErrorText(unsigned long error);

}  // namespace platform::win32
