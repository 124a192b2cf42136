#include "zip/DosDateTime.h"

namespace zip {

namespace {
struct Fields {
  unsigned year, month, day, hour, minute, second2;
};

Fields Split(std::uint32_t v) {
  return {(v >> 25) & 0x7F, (v >> 21) & 0x0F, (v >> 16) & 0x1F, (v >> 11) & 0x1F, (v >> 5) & 0x3F, v & 0x1F};
}

std::uint32_t Join(const Fields& f) {
  return (f.year << 25) | (f.month << 21) | (f.day << 16) | (f.hour << 11) | (f.minute << 5) | f.second2;
}

bool IsLeap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(unsigned y, unsigned m) {
  static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}
}  // namespace

std::uint32_t ClampDosDateTime(std::uint32_t v) {
  Fields f = Split(v);
  if (f.second2 < 30 && f.minute < 60 && f.hour <= 23 && f.day >= 1 && f.month >= 1 && f.month <= 12 && f.year < 120)
    return v;
  if (f.second2 > 29) f.second2 = 29;
  if (f.minute > 59) f.minute = 59;
  if (f.hour > 23) f.hour = 23;
  if (f.day == 0) f.day = 1;
  if (f.month == 0) f.month = 1;
  if (f.month > 12) f.month = 12;
  if (f.year >= 120) f.year = 119;
  return Join(f);
}

std::int64_t DosDateTimeToCalendar(std::uint32_t v) {
  Fields f = Split(v);
  unsigned year = 1980 + f.year;
  if (f.month < 1 || f.month > 12 || f.day < 1 || f.day > DaysInMonth(year, f.month) || f.hour > 23 ||
      f.minute > 59 || f.second2 > 29)
    return 0;
  std::int64_t days = 0;
  for (unsigned y = 1980; y < year; ++y) days += IsLeap(y) ? 366 : 365;
  for (unsigned m = 1; m < f.month; ++m) days += DaysInMonth(year, m);
  days += f.day - 1;
  return ((days * 24 + f.hour) * 60 + f.minute) * 60 + f.second2 * 2;
}

}  // namespace zip
