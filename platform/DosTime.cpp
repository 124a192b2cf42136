// MS-DOS date and time, which archives store in local time.
#include <ctime>

#include "platform/Clock.h"
#include "platform/FileAttributes.h"

namespace platform {

std::int64_t DosDateTimeToUnixTime(std::uint32_t dos) {
  std::tm tm{};
  tm.tm_year = static_cast<int>((dos >> 25) & 0x7F) + 80;
  tm.tm_mon = static_cast<int>((dos >> 21) & 0x0F) - 1;
  tm.tm_mday = static_cast<int>((dos >> 16) & 0x1F);
  tm.tm_hour = static_cast<int>((dos >> 11) & 0x1F);
  tm.tm_min = static_cast<int>((dos >> 5) & 0x3F);
  tm.tm_sec = static_cast<int>((dos & 0x1F) * 2);
  tm.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&tm));
}

std::uint32_t UnixTimeToDosDateTime(std::int64_t unixTime) {
  std::time_t t = static_cast<std::time_t>(unixTime);
  std::tm tm{};
  if (!LocalCalendarTime(t, tm) || tm.tm_year < 80) return (1u << 21) | (1u << 16);
  if (tm.tm_year > 80 + 127) tm.tm_year = 80 + 127;
  std::uint32_t date = static_cast<std::uint32_t>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  std::uint32_t time = static_cast<std::uint32_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
  return (date << 16) | time;
}

}  // namespace platform
