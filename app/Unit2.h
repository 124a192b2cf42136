#pragma once
// The updater's support operations: the application directory, "xconfig.ini",
// fetching a URL as text, the connectivity test, ending and starting
// processes, unpacking the package, and small text helpers. What they work
// with (the configuration file, a client, the extractor) is passed to them.
#include <cstdint>
#include <memory>

#include "core/StringList.h"
#include "core/SysUtils.h"
#include "framework/windows/Windows.h"

class THttpClient;
class TZipExtractor;

// "Unable to write to %s": "xconfig.ini" could not be written.
QUELBO_DECLARE_EXCEPTION(EIniFileException, Exception);

// Directory of the running program file, with its trailing "/", in code page 936.
AnsiString GetAppDir();
// The path of Name in the application directory. Where that exact name does
// not exist, an existing entry that differs from it only in ASCII case is
// meant, as on the platform the program is made for.
AnsiString InstalledPath(const AnsiString& Name);
// The value of Key in Section of the configuration file IniPath (at most 2047
// characters), or "".
AnsiString ReadIniValue(const AnsiString& IniPath, const AnsiString& Section, const AnsiString& Key);
// Stores the value, creating the file and the section when needed; the file
// is replaced atomically. Raises EIniFileException on failure. Returns "1".
AnsiString WriteIniValue(const AnsiString& IniPath, const AnsiString& Section, const AnsiString& Key,
                         const AnsiString& Value);
// The body of URL fetched through Client and decoded from UTF-8; "" on any
// failure, an empty URL or no network.
AnsiString GetUrlText(THttpClient& Client, const AnsiString& URL);
// The same body as received, before decoding (what a signature covers).
AnsiString GetUrlBody(THttpClient& Client, const AnsiString& URL);
// 1 when the system has a network connection, else 0.
int IsOnline();
// Ends every process whose executable name is ExeName; the outcome of the last
// attempt (non-zero on success), 0 when there was none.
int KillProcessByName(const AnsiString& ExeName);
// Starts the file Name of the application directory without waiting for it
// to end. False, with the system's reason in *Why, when it could not be
// executed.
bool RunAppFile(const AnsiString& Name, AnsiString* Why = nullptr);
// Extracts the package Name of the application directory into that directory
// through Zip: 1 on success; 0 after showing why extraction failed, in a box
// owned by Owner. Errors while opening the archive are not caught. Content,
// when given, is the package file's content, read from memory instead. On
// success everything extracted is on disk.
int UnZipPackage(TZipExtractor& Zip, HWND Owner, const AnsiString& Name, const void* Content = nullptr,
                 std::size_t ContentSize = 0);
WideString GbkToWide(const AnsiString& S);
// The pieces of S between separators C, empty pieces included.
std::unique_ptr<TStringList> SplitText(const AnsiString& S, char C);
// ‘512 KB’ up to 1000 KB, ‘1.43 MB’ above (‘5120.00 MB’ for 5 GiB: the
// count is 64-bit, so a package past 2 GiB is told right).
AnsiString FormatSizeText(std::int64_t Bytes);
