#pragma once
// Open files of the operating system, for the layers that read and write
// files themselves. Paths here are operating-system paths (ToOsPath: UTF-8
// text, which the Windows half turns into UTF-16 at each call). Failures set
// errno on every system, so one error text serves both.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// A file descriptor, or on Windows a file HANDLE; kNoFile is none.
using FileHandle = std::intptr_t;
constexpr FileHandle kNoFile = -1;

enum class FileAccess { Read, Write, ReadWrite };
enum class FileCreation {
  OpenExisting,  // fails (ENOENT) when missing
  CreateAlways,  // created, or emptied when it exists
  CreateNew,     // fails (EEXIST) when anything has the name
};

// Opens a regular file; a directory fails with EISDIR and anything else that
// is not a regular file (a FIFO, a device) with EINVAL, without waiting on it.
// Others may go on reading, writing, renaming and removing the file while it
// is open.
FileHandle OpenFile(const std::string& osPath, FileAccess access, FileCreation creation);
void CloseFile(FileHandle& file);

// Up to Size bytes; the count moved, 0 at the end, -1 (errno) on failure.
std::ptrdiff_t ReadFromFile(FileHandle file, void* buffer, std::size_t size);
std::ptrdiff_t WriteToFile(FileHandle file, const void* data, std::size_t size);
// At an offset, leaving the file position where it is on Linux (Windows moves it).
std::ptrdiff_t ReadFromFileAt(FileHandle file, void* buffer, std::size_t size, std::int64_t offset);
std::ptrdiff_t WriteToFileAt(FileHandle file, const void* data, std::size_t size, std::int64_t offset);
// Writes every byte; false (errno, ENOSPC when the file stopped growing) otherwise.
bool WriteAllToFile(FileHandle file, const void* data, std::size_t size);

// Origin 0: from the start, 1: from the position, 2: from the end. The new
// position, or -1 (errno).
std::int64_t SeekFile(FileHandle file, std::int64_t offset, int origin);
bool SetFileLength(FileHandle file, std::int64_t length);
bool GetFileLength(FileHandle file, std::int64_t& length);
// The file's data and size reach the disk.
bool SyncFile(FileHandle file);
// The same for a file no handle of ours has open; false (errno) on failure.
bool SyncClosedFile(const std::string& osPath);
// Starts writing the file's data back without waiting for it (where the
// system offers that).
void StartWriteBack(FileHandle file);
// Gives the file room for Size bytes before they come, so a full disk shows
// at once. False only when the disk has no room; a file system that cannot
// reserve space counts as room.
bool ReserveFileSpace(FileHandle file, std::uint64_t size);

// What the system tells of a path.
struct PathStatus {
  enum Kind { Missing, File, Directory, Other } kind = Missing;
  bool writable = false;     // a file its owner may write (on Windows: not read-only)
  unsigned permissions = 0;  // Linux: the mode bits; Windows: the attribute bits
  std::int64_t size = 0;
  std::int64_t modifiedNs = 0;  // last write, nanoseconds since 1970
};
// False (errno) when the path could not be looked at; a missing one is no failure.
bool GetPathStatus(const std::string& osPath, PathStatus& status);
// Gives an open file the permissions another file had (GetPathStatus).
bool SetFilePermissions(FileHandle file, unsigned permissions);

// Opens a file for reading and writing and holds it: a later run sees it in
// use (RemoveIfUnheld) until it is closed or renamed.
FileHandle OpenHeldFile(const std::string& osPath, FileCreation creation);
// A new held file in Directory (ending in a separator, or empty for the
// current one) named Prefix and six letters or digits. kNoFile (errno) when
// none could be made.
FileHandle CreateHeldTemporaryFile(const std::string& osDirectory, const char* prefix, std::string& osPath);
// Gives a held file (open or, kNoFile, closed) the name To, replacing the file
// there, with write-through where the system has it. Windows renames only
// files nobody holds, so the handle is closed first there; on Linux it stays
// open (and the file held) until the caller closes it. False (errno) when the
// name could not be taken.
bool RenameHeldFile(FileHandle& file, const std::string& osFrom, const std::string& osTo);
// Makes one directory; false (errno) when it could not.
bool MakeDirectory(const std::string& osPath);
// Removes a file; false (errno) when it stays.
bool RemoveFile(const std::string& osPath);
// Removes a directory if it is empty; false (errno) when it stays.
bool RemoveEmptyDirectory(const std::string& osPath);
// Removes the regular file at Path unless a run holds it.
void RemoveIfUnheld(const std::string& osPath);
// Calls Each with every entry name of Directory but "." and ".."; false when
// the directory cannot be read.
bool ListDirectory(const std::string& osDirectory, const std::function<void(const std::string& name)>& each);
// The directory's entries reach the disk (where the system needs that for a
// rename to last); a directory that refuses is no error.
void SyncDirectory(const std::string& osDirectory);

}  // namespace platform
