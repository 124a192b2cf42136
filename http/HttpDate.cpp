#include "http/HttpDate.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/SysUtils.h"
#include "platform/Clock.h"

namespace {

constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 as a day number

bool AllDigits(const AnsiString& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

// "H:M" or "H:M:S", each part one or two digits; text after the last part is
// ignored (a zone written on, as in "08:49:37GMT").
bool ParseClock(const AnsiString& t, int& hour, int& minute, int& second) {
  int parts[3] = {0, 0, 0};
  std::size_t i = 0;
  int count = 0;
  while (count < 3) {
    const std::size_t start = i;
    int v = 0;
    while (i < t.size() && i - start < 3 && t[i] >= '0' && t[i] <= '9') v = v * 10 + (t[i++] - '0');
    if (i == start || i - start > 2) return false;
    parts[count++] = v;
    if (count == 3 || i >= t.size() || t[i] != ':') break;
    ++i;
  }
  if (count < 2) return false;
  hour = parts[0], minute = parts[1], second = parts[2];
  return true;
}

}  // namespace

std::optional<std::time_t> ParseInternetDate(const AnsiString& Text) {
  std::vector<AnsiString> tokens;
  AnsiString cur;
  for (char c : Text) {
    if (c == ' ' || c == ',' || c == '-' || c == '\t') {
      if (!cur.empty()) tokens.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) tokens.push_back(cur);

  int day = -1, month = -1, hour = -1, minute = 0, second = 0;
  long long year = -1;
  for (const AnsiString& t : tokens) {
    AnsiString up = UpperCaseAscii(t);
    if (t.find(':') != AnsiString::npos && hour < 0) {
      if (!ParseClock(t, hour, minute, second)) return std::nullopt;
    } else if (month < 0 && up.size() >= 3 && !AllDigits(t)) {
      for (int i = 0; i < 12; ++i)
        if (up.compare(0, 3, kMonths[i]) == 0) month = i + 1;
    } else if (AllDigits(t) && t.size() <= 4) {
      int v = std::atoi(t.c_str());
      if (day < 0 && t.size() <= 2) day = v;
      else if (year < 0) year = v;
    }
  }
  if (day < 1 || day > 31 || month < 1 || year < 0 || hour < 0 || hour > 23 || minute > 59 || second > 60)
    return std::nullopt;
  if (year < 100) year += year < 70 ? 2000 : 1900;
  long long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  return static_cast<std::time_t>(days * 86400 + hour * 3600 + minute * 60 + second);
}

TDateTime UnixToLocalDateTime(std::time_t T) {
  std::tm local{};
  platform::LocalCalendarTime(T, local);
  long long days = DaysFromCivil(local.tm_year + 1900LL, static_cast<unsigned>(local.tm_mon + 1),
                                 static_cast<unsigned>(local.tm_mday));
  return kUnixEpochDays + static_cast<double>(days) +
         (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
}

TDateTime GMTToLocalDateTime(const AnsiString& Text) {
  auto t = ParseInternetDate(Text);
  return t ? UnixToLocalDateTime(*t) : 0.0;
}

AnsiString LocalDateTimeToGMT(TDateTime D) {
  double days = std::floor(D - kUnixEpochDays);
  long long secs = std::llround((D - kUnixEpochDays - days) * 86400.0);
  std::tm local{};
  // Back from the local calendar to a moment: let mktime apply the zone.
  std::time_t dayStart = static_cast<std::time_t>(days) * 86400;
  std::tm civil{};
  platform::UtcCalendarTime(dayStart, civil);
  local.tm_year = civil.tm_year;
  local.tm_mon = civil.tm_mon;
  local.tm_mday = civil.tm_mday;
  local.tm_hour = static_cast<int>(secs / 3600);
  local.tm_min = static_cast<int>(secs / 60 % 60);
  local.tm_sec = static_cast<int>(secs % 60);
  local.tm_isdst = -1;
  std::time_t t = std::mktime(&local);
  std::tm g{};
  platform::UtcCalendarTime(t, g);
  return Format("%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[g.tm_wday], g.tm_mday, kMonthNames[g.tm_mon],
                g.tm_year + 1900, g.tm_hour, g.tm_min, g.tm_sec);
}
