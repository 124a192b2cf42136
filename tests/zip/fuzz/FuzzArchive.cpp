// Fuzz entry for a whole archive: the directory reader (with the rebuild scan
// allowed), every member's header and comment, the sorted view.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "zip/ZipExtractor.h"

namespace {
// The input as a file that lives in memory only.
class MemoryFile {
 public:
  MemoryFile(const std::uint8_t* data, std::size_t size) : fd_(::memfd_create("archive", MFD_CLOEXEC)) {
    for (std::size_t done = 0; fd_ >= 0 && done < size;) {
      const ssize_t n = ::write(fd_, data + done, size - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
  }
  ~MemoryFile() { ::close(fd_); }
  std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  MemoryFile file(data, size);
  TZipExtractor z(nullptr);
  z.IncompleteZipMode = izAssumeBad;
  z.DoProcessMessages = false;
  try {
    z.SetZipName(file.Path());
    z.LoadDirectory();
    for (int i = 0; i < z.MemberCount(); ++i) (void)z.Comment(i);
    (void)z.ZipComment();
    z.SetSortMode(TZipSortMode::ByName);
    z.SetSortMode(TZipSortMode::ByNone);
  } catch (const Exception&) {
  }
  return 0;
}
