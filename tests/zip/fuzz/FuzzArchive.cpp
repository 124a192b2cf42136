// Fuzz entry for a whole archive: the directory reader (with the rebuild scan
// allowed), every member's header and comment, the sorted view, and a full
// extraction into memory. The archive is a file that lives in memory only;
// the destination lies below it, where no path can ever exist on disk.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <string>

#include "tests/zip/MemoryTarget.h"
#include "zip/ZipExtractor.h"

namespace {
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
  ziptest::MemoryTarget target(false);
  TZipExtractor z(nullptr);
  z.IncompleteZipMode = izAssumeBad;
  z.DoProcessMessages = false;
  z.OnHandleMessage = [](TObject*, int, const AnsiString&, const AnsiString&, unsigned, int&) {};
  z.SetExtractionTarget(&target);
  // Each name with the last member verified for it.
  std::map<AnsiString, int> verified;
  z.OnEndUnZip = [&](TObject*, int index, const AnsiString& name) { verified[name] = index; };
  try {
    z.SetZipName(file.Path());
    z.LoadDirectory();
    for (int i = 0; i < z.MemberCount(); ++i) (void)z.Comment(i);
    (void)z.ZipComment();
    z.SetSortMode(TZipSortMode::ByName);
    z.SetSortMode(TZipSortMode::ByNone);
    z.SetDestDir(file.Path() + "/out");
    z.Password = "1234";
    z.DoAll = true;
    z.RecreateDirs = true;
    z.OverwriteMode = TUZOverwriteMode::Always;
    z.UnZip();
    // A member is installed only once verified: whole, inside the destination.
    for (const auto& [name, index] : verified) {
      const auto it = target.members.find(name);
      if (it == target.members.end() || it->second.size != z.UncompressedSize(index) ||
          name.rfind(file.Path() + "/out/", 0) != 0)
        std::abort();
    }
  } catch (const Exception&) {
  }
  return 0;
}
