#include "platform/FileAttributes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <mutex>

#include "platform/Files.h"

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
  if (!localtime_r(&t, &tm) || tm.tm_year < 80) return (1u << 21) | (1u << 16);
  if (tm.tm_year > 80 + 127) tm.tm_year = 80 + 127;
  std::uint32_t date = static_cast<std::uint32_t>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
  std::uint32_t time = static_cast<std::uint32_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
  return (date << 16) | time;
}

bool GetFileDosDateTime(const std::string& path, std::uint32_t& dos) {
  struct stat st;
  if (::stat(ToOsPath(path).c_str(), &st) != 0) return false;
  dos = UnixTimeToDosDateTime(st.st_mtime);
  return true;
}

bool SetFileTimeOfHandle(int fd, std::int64_t unixTime) {
  struct timespec ts[2];
  ts[0].tv_sec = ts[1].tv_sec = static_cast<time_t>(unixTime);
  ts[0].tv_nsec = ts[1].tv_nsec = 0;
  return ::futimens(fd, ts) == 0;
}

namespace {
// The umask can only be read by setting it, so it is read once and put back.
unsigned ProcessUmask() {
  static std::once_flag once;
  static unsigned mask = 022;
  std::call_once(once, [] {
    mode_t m = ::umask(022);
    ::umask(m);
    mask = m;
  });
  return mask;
}
}  // namespace

unsigned DefaultFileMode() { return 0666 & ~ProcessUmask(); }
unsigned DefaultDirectoryMode() { return 0777 & ~ProcessUmask(); }

bool IsReadOnlyFile(const std::string& path) {
  struct stat st;
  return ::stat(ToOsPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR);
}

bool GetFileMode(const std::string& path, unsigned& mode) {
  struct stat st;
  if (::stat(ToOsPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  mode = st.st_mode & 0777;
  return true;
}

bool SetModeOfHandle(int fd, unsigned mode) { return ::fchmod(fd, static_cast<mode_t>(mode)) == 0; }
bool SetPathMode(const std::string& path, unsigned mode) {
  return ::chmod(ToOsPath(path).c_str(), static_cast<mode_t>(mode)) == 0;
}

}  // namespace platform
