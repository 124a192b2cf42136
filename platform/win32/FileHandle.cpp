// Open files on Windows: file HANDLEs through the wide calls. Every file is
// opened so that others may read, write, rename and remove it, except held
// files, which others may only read: a cleanup that tries to remove one is
// refused while its writer has it open.
#include "platform/FileHandle.h"

#include <windows.h>

#include <algorithm>
#include <cerrno>

#include "platform/win32/Win32Text.h"

namespace platform {
namespace {

using win32::SetErrnoFromLastError;
using win32::WidePath;

HANDLE H(FileHandle f) { return reinterpret_cast<HANDLE>(f); }
FileHandle F(HANDLE h) { return h == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(h); }

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Each call moves at most this much, well inside a DWORD.
constexpr std::size_t kMaxTransfer = 1u << 30;

DWORD Disposition(FileCreation creation) {
  switch (creation) {
    case FileCreation::CreateAlways: return CREATE_ALWAYS;
    case FileCreation::CreateNew: return CREATE_NEW;
    default: return OPEN_EXISTING;
  }
}

FileHandle Open(const std::string& osPath, DWORD access, DWORD share, FileCreation creation) {
  const std::wstring path = WidePath(osPath);
  HANDLE h = CreateFileW(path.c_str(), access, share, nullptr, Disposition(creation), FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    // A directory cannot be opened as a file: say so, as Linux does.
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
      errno = creation == FileCreation::CreateNew ? EEXIST : EISDIR;
    else
      errno = win32::ErrnoFromWindowsError(error);
  }
  return F(h);
}

DWORD AccessOf(FileAccess access) {
  return access == FileAccess::Read ? GENERIC_READ : access == FileAccess::Write ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE;
}

std::int64_t FileTimeToNs(const FILETIME& t) {
  // 100-nanosecond steps since 1601.
  const std::int64_t ticks = static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  return (ticks - 116444736000000000LL) * 100;
}

}  // namespace

FileHandle OpenFile(const std::string& osPath, FileAccess access, FileCreation creation) {
  FileHandle file = Open(osPath, AccessOf(access), kShareAll, creation);
  // A pipe or a device is no file to read or write as one.
  if (file != kNoFile && GetFileType(H(file)) != FILE_TYPE_DISK) {
    CloseFile(file);
    errno = EINVAL;
  }
  return file;
}

void CloseFile(FileHandle& file) {
  if (file != kNoFile) CloseHandle(H(file));
  file = kNoFile;
}

std::ptrdiff_t ReadFromFile(FileHandle file, void* buffer, std::size_t size) {
  DWORD got = 0;
  if (!ReadFile(H(file), buffer, static_cast<DWORD>(std::min(size, kMaxTransfer)), &got, nullptr)) {
    if (GetLastError() == ERROR_HANDLE_EOF || GetLastError() == ERROR_BROKEN_PIPE) return 0;
    SetErrnoFromLastError();
    return -1;
  }
  return got;
}

std::ptrdiff_t WriteToFile(FileHandle file, const void* data, std::size_t size) {
  DWORD put = 0;
  if (!WriteFile(H(file), data, static_cast<DWORD>(std::min(size, kMaxTransfer)), &put, nullptr)) {
    SetErrnoFromLastError();
    return -1;
  }
  return put;
}

std::ptrdiff_t ReadFromFileAt(FileHandle file, void* buffer, std::size_t size, std::int64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  DWORD got = 0;
  if (!ReadFile(H(file), buffer, static_cast<DWORD>(std::min(size, kMaxTransfer)), &got, &at)) {
    if (GetLastError() == ERROR_HANDLE_EOF) return 0;
    SetErrnoFromLastError();
    return -1;
  }
  return got;
}

std::ptrdiff_t WriteToFileAt(FileHandle file, const void* data, std::size_t size, std::int64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
  DWORD put = 0;
  if (!WriteFile(H(file), data, static_cast<DWORD>(std::min(size, kMaxTransfer)), &put, &at)) {
    SetErrnoFromLastError();
    return -1;
  }
  return put;
}

std::int64_t SeekFile(FileHandle file, std::int64_t offset, int origin) {
  LARGE_INTEGER to, now;
  to.QuadPart = offset;
  if (!SetFilePointerEx(H(file), to, &now, origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END)) {
    SetErrnoFromLastError();
    return -1;
  }
  return now.QuadPart;
}

bool SetFileLength(FileHandle file, std::int64_t length) {
  // The end moves to the file position, which then goes back where it was.
  const std::int64_t position = SeekFile(file, 0, 1);
  if (position < 0 || SeekFile(file, length, 0) < 0) return false;
  const bool ok = SetEndOfFile(H(file));
  if (!ok) SetErrnoFromLastError();
  SeekFile(file, position, 0);
  return ok;
}

bool GetFileLength(FileHandle file, std::int64_t& length) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(H(file), &size)) {
    SetErrnoFromLastError();
    return false;
  }
  length = size.QuadPart;
  return true;
}

bool SyncFile(FileHandle file) {
  if (FlushFileBuffers(H(file))) return true;
  SetErrnoFromLastError();
  return false;
}

bool SyncClosedFile(const std::string& osPath) {
  // Flushing needs write access, which a read-only file refuses until its
  // attribute is off for the moment.
  const std::wstring path = WidePath(osPath);
  const DWORD attributes = GetFileAttributesW(path.c_str());
  const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  if (readOnly) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  FileHandle file = Open(osPath, GENERIC_WRITE, kShareAll, FileCreation::OpenExisting);
  const bool ok = file != kNoFile && SyncFile(file);
  const int e = errno;
  CloseFile(file);
  if (readOnly) SetFileAttributesW(path.c_str(), attributes);
  errno = e;
  return ok;
}

void StartWriteBack(FileHandle) {}

bool ReserveFileSpace(FileHandle file, std::uint64_t size) {
  if (size == 0) return true;
  FILE_ALLOCATION_INFO info{};
  info.AllocationSize.QuadPart = static_cast<LONGLONG>(std::min<std::uint64_t>(size, INT64_MAX));
  if (SetFileInformationByHandle(H(file), FileAllocationInfo, &info, sizeof info)) return true;
  const DWORD error = GetLastError();
  return error != ERROR_DISK_FULL && error != ERROR_HANDLE_DISK_FULL;
}

bool GetPathStatus(const std::string& osPath, PathStatus& status) {
  status = PathStatus();
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WidePath(osPath).c_str(), GetFileExInfoStandard, &data)) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME) return true;
    errno = win32::ErrnoFromWindowsError(error);
    return false;
  }
  const DWORD a = data.dwFileAttributes;
  status.kind = (a & FILE_ATTRIBUTE_DIRECTORY) ? PathStatus::Directory
                : (a & FILE_ATTRIBUTE_DEVICE)  ? PathStatus::Other
                                               : PathStatus::File;
  status.writable = !(a & FILE_ATTRIBUTE_READONLY);
  status.permissions = a;
  status.size = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  status.modifiedNs = FileTimeToNs(data.ftLastWriteTime);
  return true;
}

bool SetFilePermissions(FileHandle file, unsigned permissions) {
  FILE_BASIC_INFO info{};
  if (!GetFileInformationByHandleEx(H(file), FileBasicInfo, &info, sizeof info)) {
    SetErrnoFromLastError();
    return false;
  }
  // The attributes a replacement keeps: what the user or the installer set.
  const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  info.FileAttributes = (permissions & kept) ? (permissions & kept) : FILE_ATTRIBUTE_NORMAL;
  if (SetFileInformationByHandle(H(file), FileBasicInfo, &info, sizeof info)) return true;
  SetErrnoFromLastError();
  return false;
}

FileHandle OpenHeldFile(const std::string& osPath, FileCreation creation) {
  return Open(osPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, creation);
}

bool RenameHeldFile(FileHandle& file, const std::string& osFrom, const std::string& osTo) {
  CloseFile(file);
  if (MoveFileExW(WidePath(osFrom).c_str(), WidePath(osTo).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  SetErrnoFromLastError();
  return false;
}

bool MakeDirectory(const std::string& osPath) {
  if (CreateDirectoryW(WidePath(osPath).c_str(), nullptr)) return true;
  SetErrnoFromLastError();
  return false;
}

bool RemoveFile(const std::string& osPath) {
  if (DeleteFileW(WidePath(osPath).c_str())) return true;
  SetErrnoFromLastError();
  return false;
}

bool RemoveEmptyDirectory(const std::string& osPath) {
  if (RemoveDirectoryW(WidePath(osPath).c_str())) return true;
  SetErrnoFromLastError();
  return false;
}

void RemoveIfUnheld(const std::string& osPath) {
  const std::wstring path = WidePath(osPath);
  const DWORD a = GetFileAttributesW(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES || (a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))) return;
  // Refused while the writer holds the file open without sharing its removal.
  DeleteFileW(path.c_str());
}

bool ListDirectory(const std::string& osDirectory, const std::function<void(const std::string& name)>& each) {
  std::string pattern = osDirectory.empty() ? std::string(".") : osDirectory;
  if (pattern.back() != '/' && pattern.back() != '\\') pattern += '\\';
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileExW(WidePath(pattern + "*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                 nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    SetErrnoFromLastError();
    return false;
  }
  do {
    const std::string name = win32::Narrow(entry.cFileName);
    if (name != "." && name != "..") each(name);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
  return true;
}

void SyncDirectory(const std::string&) {
  // A rename that MoveFileExW wrote through is on the disk already.
}

}  // namespace platform
