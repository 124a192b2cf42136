#pragma once
// The server's one-line version reply and the names it carries: decoding,
// the pause reply, and which package and program names may be used here.
#include "core/Types.h"

inline constexpr const char* kPauseReply = "0";
inline constexpr char kFieldSeparator = '|';
inline constexpr const char* kArchiveMarker = ".zip";

// "http://" + the update server Host + "/version/version.php".
AnsiString VersionEndpoint(const AnsiString& Host);

// The reply bytes decoded as UTF-8 into UTF-16 units by the reply's rule:
// bit 5 of a lead byte alone makes a sequence two bytes (clear) or three
// (set), characters keep 16 bits, and one cut-off sequence or wrong
// continuation byte makes the whole result empty.
WideString DecodeReplyUtf8(const AnsiString& bytes);

// The decoded reply in code page 936; a character it cannot hold becomes "?".
AnsiString ReplyToAnsi(const AnsiString& bytes);

// An empty reply or exactly "0": the server has paused updates.
bool IsPauseReply(const AnsiString& reply);

// The package is an archive when its name, with A to Z lower-cased, contains ".zip".
bool IsArchiveName(const AnsiString& packageName);

// A package name may be saved in the installation directory only when it is
// one plain file name: not empty, not "." or "..", no "/", "\" or ":" and no
// control character.
bool IsPlainFileName(const AnsiString& packageName);

// A program name may be started or deleted only when it stays inside the
// installation directory: not empty, not absolute (no leading "/" or "\", no
// drive), no ".." component and no control character.
bool IsInstallRelativeName(const AnsiString& programName);
