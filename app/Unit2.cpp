// Support operations on texts, the application directory and "xconfig.ini".
#include "app/Unit2.h"

#include <clocale>
#include <cmath>

#include "app/PathText.h"
#include "app/Seams.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/ProfileFile.h"

namespace {
// What the profile reader gets: 2047 characters and the terminating zero.
constexpr std::size_t kProfileBufferChars = 2048;
}  // namespace

AnsiString GetAppDir() {
  if (!AppDirOverride().empty()) return AppDirOverride();
  AnsiString exe = platform::ExecutablePath();
  std::size_t cut = LastSeparator(exe, "/");
  return cut == AnsiString::npos ? AnsiString() : exe.substr(0, cut + 1);
}

AnsiString InstalledPath(const AnsiString& Name) { return platform::ResolveNameCase(GetAppDir() + Name); }

AnsiString ReadIniValue(const AnsiString& IniPath, const AnsiString& Section, const AnsiString& Key) {
  return platform::ReadProfileString(IniPath, Section, Key, "", kProfileBufferChars);
}

AnsiString WriteIniValue(const AnsiString& IniPath, const AnsiString& Section, const AnsiString& Key,
                         const AnsiString& Value) {
  if (!platform::WriteProfileString(IniPath, Section, Key, Value))
    throw EIniFileException(Format("Unable to write to %s", IniPath.c_str()));
  return "1";
}

WideString GbkToWide(const AnsiString& S) { return platform::Cp936ToUtf16(S); }

std::unique_ptr<TStringList> SplitText(const AnsiString& S, char C) {
  // One pass from left to right: a reply of many fields costs no more than
  // reading it once.
  auto list = std::make_unique<TStringList>();
  std::size_t from = 0;
  for (std::size_t at = S.find(C); at != AnsiString::npos; at = S.find(C, from)) {
    list->Add(S.substr(from, at - from));
    from = at + 1;
  }
  list->Add(S.substr(from));
  return list;
}

AnsiString FormatSizeText(std::int64_t Bytes) {
  // Kilobytes round to the nearest whole number, halves to the even one.
  const auto kilo = static_cast<std::int64_t>(std::nearbyint(static_cast<double>(Bytes) / 1024.0));
  if (kilo <= 1000) return IntToStr(kilo) + " KB";
  // Megabytes come from the rounded kilobytes, to two decimals, halves away
  // from zero; worked in whole hundredths so no binary fraction tips a half.
  const std::int64_t hundredths = (kilo * 200 + 1024) / 2048;
  const char* point = std::localeconv()->decimal_point;
  return Format("%lld%s%02lld MB", static_cast<long long>(hundredths / 100), point && *point ? point : ".",
                static_cast<long long>(hundredths % 100));
}
