// File times and attributes on Windows. A mode here is what the archive layer
// computes on every system: the owner's write bit becomes the read-only
// attribute, and the MS-DOS attributes that travel with it (kModeHidden...)
// become attributes of their own.
#include "platform/FileAttributes.h"

#include <windows.h>

#include "platform/Files.h"
#include "platform/win32/Win32Text.h"

namespace platform {
namespace {

FILETIME UnixTimeToFileTime(std::int64_t unixTime) {
  const std::uint64_t ticks = static_cast<std::uint64_t>(unixTime * 10000000LL + 116444736000000000LL);
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(ticks);
  t.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return t;
}

std::int64_t FileTimeToUnixTime(const FILETIME& t) {
  const std::int64_t ticks = static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  return (ticks - 116444736000000000LL) / 10000000LL;
}

DWORD AttributesOfMode(unsigned mode) {
  DWORD a = 0;
  if (!(mode & 0200)) a |= FILE_ATTRIBUTE_READONLY;
  if (mode & kModeHidden) a |= FILE_ATTRIBUTE_HIDDEN;
  if (mode & kModeSystem) a |= FILE_ATTRIBUTE_SYSTEM;
  if (mode & kModeArchive) a |= FILE_ATTRIBUTE_ARCHIVE;
  return a ? a : FILE_ATTRIBUTE_NORMAL;
}

DWORD AttributesOf(const std::string& path) { return GetFileAttributesW(win32::WidePath(ToOsPath(path)).c_str()); }

}  // namespace

bool GetFileDosDateTime(const std::string& path, std::uint32_t& dos) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(win32::WidePath(ToOsPath(path)).c_str(), GetFileExInfoStandard, &data)) return false;
  dos = UnixTimeToDosDateTime(FileTimeToUnixTime(data.ftLastWriteTime));
  return true;
}

bool SetFileTimeOfHandle(FileHandle file, std::int64_t unixTime) {
  const FILETIME t = UnixTimeToFileTime(unixTime);
  return SetFileTime(reinterpret_cast<HANDLE>(file), nullptr, &t, &t) != 0;
}

unsigned DefaultFileMode() { return 0666; }
unsigned DefaultDirectoryMode() { return 0777; }

bool IsReadOnlyFile(const std::string& path) {
  const DWORD a = AttributesOf(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) && (a & FILE_ATTRIBUTE_READONLY);
}

bool GetFileMode(const std::string& path, unsigned& mode) {
  const DWORD a = AttributesOf(path);
  if (a == INVALID_FILE_ATTRIBUTES || (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) return false;
  mode = (a & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  if (a & FILE_ATTRIBUTE_HIDDEN) mode |= kModeHidden;
  if (a & FILE_ATTRIBUTE_SYSTEM) mode |= kModeSystem;
  if (a & FILE_ATTRIBUTE_ARCHIVE) mode |= kModeArchive;
  return true;
}

bool SetModeOfHandle(FileHandle file, unsigned mode) {
  FILE_BASIC_INFO info{};
  HANDLE h = reinterpret_cast<HANDLE>(file);
  if (!GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof info)) return false;
  info.FileAttributes = AttributesOfMode(mode);
  return SetFileInformationByHandle(h, FileBasicInfo, &info, sizeof info) != 0;
}

bool SetPathMode(const std::string& path, unsigned mode) {
  const DWORD a = AttributesOf(path);
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  // A directory keeps its own kind; only read-only, hidden and system change.
  DWORD wanted = AttributesOfMode(mode);
  if (a & FILE_ATTRIBUTE_DIRECTORY) wanted = (wanted & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_DIRECTORY;
  return SetFileAttributesW(win32::WidePath(ToOsPath(path)).c_str(), wanted) != 0;
}

}  // namespace platform
