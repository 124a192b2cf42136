#pragma once
// Where a member goes: the target directory from the destination, the stored
// directory and the relative-path list, and whether that stays inside the
// destination.
#include <vector>

#include "core/Types.h"

namespace zip {

struct TargetDirectory {
  AnsiString path;    // code page 936, "/"-separated, ending in "/" (empty: the current directory)
  bool safe = true;   // false: a ".." component, an absolute, drive-relative or UNC path, a NUL byte, or a
                      // component that Windows reads differently
};

// destDir has no trailing separator; storedDirectory is "\"-separated and ends
// in "\" (or is empty).
TargetDirectory ComputeTargetDirectory(const AnsiString& destDir, const AnsiString& storedDirectory, bool recreateDirs,
                                       const std::vector<AnsiString>& relativePaths);
// A file name that cannot be a plain name in a directory (".", "..", NUL, or
// one that Windows reads differently).
bool IsUnsafeFileName(const AnsiString& fileName);
// A name (one component) that Windows would not take as the plain name it
// is: a device (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9, in any case, with or
// without an extension), a stream of another file or a drive (":"), or one
// ending in a dot or a blank, which Windows drops. Packages are made for
// Windows, so these are refused on every system.
bool ReadsDifferentlyOnWindows(const AnsiString& name);
// The directory part of a "/"-separated path, without its trailing "/".
AnsiString ParentOf(const AnsiString& path);

}  // namespace zip
