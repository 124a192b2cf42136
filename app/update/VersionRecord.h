#pragma once
// Support operations on the local version record, "xconfig.ini": its name,
// its keys, reading and writing a value.
#include "core/SysUtils.h"

inline constexpr const char* kIniFileName = "xconfig.ini";
inline constexpr const char* kVersionSection = "version";
inline constexpr const char* kVersionKey = "ver";
// Beside "ver": the serial of the installed signed release.
inline constexpr const char* kSerialKey = "serial";
inline constexpr const char* kFirstRunVersion = "null";

// "Unable to write to %s": "xconfig.ini" could not be written.
QUELBO_DECLARE_EXCEPTION(EIniFileException, Exception);

// The value of Key in Section of the configuration file IniPath (at most 2047
// characters), or "".
AnsiString ReadIniValue(const AnsiString& IniPath, const AnsiString& Section, const AnsiString& Key);
// Stores the value, creating the file and the section when needed; the file
// is replaced atomically. Raises EIniFileException on failure. Returns "1".
AnsiString WriteIniValue(const AnsiString& IniPath, const AnsiString& Section, const AnsiString& Key,
                         const AnsiString& Value);
