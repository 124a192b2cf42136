#include "app/update/VersionRecord.h"

#include "platform/ProfileFile.h"

namespace {
// What the profile reader gets: 2047 characters and the terminating zero.
constexpr std::size_t kProfileBufferChars = 2048;
}  // namespace

AnsiString ReadIniValue(const AnsiString& IniPath, const AnsiString& Section, const AnsiString& Key) {
  return platform::ReadProfileString(IniPath, Section, Key, "", kProfileBufferChars);
}

AnsiString WriteIniValue(const AnsiString& IniPath, const AnsiString& Section, const AnsiString& Key,
                         const AnsiString& Value) {
  if (!platform::WriteProfileString(IniPath, Section, Key, Value))
    throw EIniFileException(Format("Unable to write to %s", IniPath.c_str()));
  return "1";
}
