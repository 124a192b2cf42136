#include "app/update/SupportText.h"

#include <clocale>
#include <cmath>

#include "core/SysUtils.h"
#include "platform/CodePage.h"

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

AnsiString ReplaceAll(const AnsiString& Text, const AnsiString& OldPattern, const AnsiString& NewPattern) {
  if (OldPattern.empty()) return Text;
  AnsiString out;
  std::size_t from = 0;
  for (std::size_t at = Text.find(OldPattern); at != AnsiString::npos; at = Text.find(OldPattern, from)) {
    out.append(Text, from, at - from);
    out += NewPattern;
    from = at + OldPattern.size();
  }
  out.append(Text, from, AnsiString::npos);
  return out;
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
