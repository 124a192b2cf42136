#pragma once
// Support operations on the installation directory: where it is and which
// file a name of it means.
#include "app/update/Result.h"
#include "core/Types.h"

// Directory of the running program file, with its trailing "/", in code page 936.
AnsiString GetAppDir();

// The path of Name in the installation directory AppDir. Where that exact
// name does not exist, an existing entry that differs from it only in ASCII
// case is meant, as on the platform the program is made for.
AnsiString InstalledPath(const AnsiString& AppDir, const AnsiString& Name);

// Whether files can be made in the installation directory AppDir, tried by
// making one under a temporary name and removing it: an update stops before
// anything is fetched where the person may not write (a game under a system
// folder without elevation, a read-only disk). Refused with the reason.
Result<> CheckInstallationWritable(const AnsiString& AppDir);
