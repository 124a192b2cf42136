#include "platform/FileAttributes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

#include "platform/Files.h"

namespace platform {

bool GetFileDosDateTime(const std::string& path, std::uint32_t& dos) {
  struct stat st;
  if (::stat(ToOsPath(path).c_str(), &st) != 0) return false;
  dos = UnixTimeToDosDateTime(st.st_mtime);
  return true;
}

bool SetFileTimeOfHandle(FileHandle fd, std::int64_t unixTime) {
  struct timespec ts[2];
  ts[0].tv_sec = ts[1].tv_sec = static_cast<time_t>(unixTime);
  ts[0].tv_nsec = ts[1].tv_nsec = 0;
  return ::futimens(static_cast<int>(fd), ts) == 0;
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

bool SetModeOfHandle(FileHandle fd, unsigned mode) {
  return ::fchmod(static_cast<int>(fd), static_cast<mode_t>(mode & 07777)) == 0;
}
bool SetPathMode(const std::string& path, unsigned mode) {
  return ::chmod(ToOsPath(path).c_str(), static_cast<mode_t>(mode & 07777)) == 0;
}

}  // namespace platform
