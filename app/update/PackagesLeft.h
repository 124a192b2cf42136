#pragma once
// The packages this updater put into the installation directory and has not
// taken away again: one kept because it is the program to start, one whose
// extraction failed, one a run was stopped with. Each is recorded in
// "xconfig.ini" before it takes its name there, and only such a file may be
// replaced by a later package: every other file of the installation is the
// player's, and no package ever takes its name.
#include <vector>

#include "app/update/Result.h"
#include "core/Types.h"

// Beside "ver": the names, separated by "|" (which no package name holds).
inline constexpr const char* kPackagesKey = "packages";

// The names recorded in the installation directory AppDir.
std::vector<AnsiString> PackagesLeftHere(const AnsiString& AppDir);
// Whether Name, in the installation directory AppDir, is such a package.
bool IsPackageLeftHere(const AnsiString& AppDir, const AnsiString& Name);
// Records Name before a package takes it; names whose files are gone are
// dropped meanwhile. Refused when "xconfig.ini" cannot be written.
Result<> RecordPackageLeft(const AnsiString& AppDir, const AnsiString& Name);
// Forgets Name once its package is gone; a failure to write changes nothing
// that matters, and is not told.
void ForgetPackageLeft(const AnsiString& AppDir, const AnsiString& Name);
