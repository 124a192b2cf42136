#pragma once
// File times and permission bits where the archive layer needs them. Times in
// the MS-DOS format are local time, with a resolution of two seconds.
#include <cstdint>
#include <string>

#include "platform/FileHandle.h"

namespace platform {

// MS-DOS date in the high word, time in the low word, read as local time.
std::int64_t DosDateTimeToUnixTime(std::uint32_t dosDateTime);
// The local time of a Unix time in MS-DOS form (years before 1980 clamp to 1980).
std::uint32_t UnixTimeToDosDateTime(std::int64_t unixTime);

// Last-write time of an existing file in MS-DOS form; false when it cannot be read.
bool GetFileDosDateTime(const std::string& path, std::uint32_t& dosDateTime);
// Sets access and modification time of an open file.
bool SetFileTimeOfHandle(FileHandle file, std::int64_t unixTime);

// MS-DOS attributes that travel with a mode beside its permission bits; the
// Windows build gives files those attributes, Linux has none of them.
constexpr unsigned kModeHidden = 1u << 20;
constexpr unsigned kModeSystem = 1u << 21;
constexpr unsigned kModeArchive = 1u << 22;

// The mode a newly created file or directory gets here (0666 or 0777 less the umask).
unsigned DefaultFileMode();
unsigned DefaultDirectoryMode();
// True when path is a file whose owner may not write it: the read-only attribute here.
bool IsReadOnlyFile(const std::string& path);
// Permission bits of an existing regular file; false when there is none.
bool GetFileMode(const std::string& path, unsigned& mode);
bool SetModeOfHandle(FileHandle file, unsigned mode);
bool SetPathMode(const std::string& path, unsigned mode);

}  // namespace platform
