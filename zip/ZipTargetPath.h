#pragma once
// Where a member goes: the target directory from the destination, the stored
// directory and the relative-path list, and whether that stays inside the
// destination.
#include <vector>

#include "core/Types.h"

namespace zip {

struct TargetDirectory {
  AnsiString path;    // code page 936, "/"-separated, ending in "/" (empty: the current directory)
  bool safe = true;   // false: a ".." component, an absolute path, a NUL byte, or a name the system reserves
};

// destDir has no trailing separator; storedDirectory is "\"-separated and ends
// in "\" (or is empty).
TargetDirectory ComputeTargetDirectory(const AnsiString& destDir, const AnsiString& storedDirectory, bool recreateDirs,
                                       const std::vector<AnsiString>& relativePaths);
// A file name that cannot be a plain name in a directory ("", ".", "..", NUL,
// and on Windows devices and streams: platform::IsReservedFileName).
bool IsUnsafeFileName(const AnsiString& fileName);
// The directory part of a "/"-separated path, without its trailing "/".
AnsiString ParentOf(const AnsiString& path);

}  // namespace zip
