#pragma once
// Support operation: unpacking the downloaded package into the installation
// directory.
#include <cstddef>
#include <functional>
#include <string>

#include "app/update/InstallCompletion.h"
#include "app/update/Result.h"
#include "app/update/UpdateView.h"
#include "core/Types.h"

class TZipExtractor;

// Extracts the package Name of the installation directory AppDir into that
// directory through Zip, every member with its directories and attributes,
// all of them or none: a member that cannot be written or fails its check
// fails the extraction, and nothing of the package is installed then. (A
// member the person declined to replace, or one refused for its name, is only
// left out.) On success every file is on disk and in place, and the
// installation journal of AppDir, which carries Release, waits for
// CompleteInstallation. Content, when given, is the package file's content,
// read from memory instead. Refused, with the reason, when extraction failed;
// errors while opening the archive are not caught. Only, when given, names
// the files to take (by their names below AppDir, with "/"); the others are
// left as they are. After an extraction the record of installed files holds
// the package's files.
using TMemberChoice = std::function<bool(const std::string& Name)>;
Result<> ExtractPackage(TZipExtractor& Zip, const AnsiString& AppDir, const AnsiString& Name,
                        const ReleaseRecord& Release, const void* Content = nullptr, std::size_t ContentSize = 0,
                        const TMemberChoice& Only = nullptr);

// The same, with the program's face: 1 on success; 0 after the view was
// told why extraction failed.
int UnZipPackage(TZipExtractor& Zip, UpdateView& View, const AnsiString& AppDir, const AnsiString& Name,
                 const ReleaseRecord& Release, const void* Content = nullptr, std::size_t ContentSize = 0,
                 const TMemberChoice& Only = nullptr);
