#include "app/publish/PackageFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/SysUtils.h"
#include "platform/Files.h"
#include "zip/ZipExtractor.h"

namespace publish {
namespace {

std::string Why(const std::string& path) { return path + ": " + std::strerror(errno); }

// The file's bytes, mapped for reading, unmapped and closed when it goes.
struct MappedFile {
  int fd = -1;
  void* bytes = MAP_FAILED;
  std::size_t size = 0;
  ~MappedFile() {
    if (bytes != MAP_FAILED) ::munmap(bytes, size);
    if (fd >= 0) ::close(fd);
  }
};

// "" when the updater's own extractor reads the archive's directory as it is.
std::string ArchiveProblem(const std::string& path, const void* bytes, std::size_t size) {
  TZipExtractor zip(nullptr);
  zip.DoProcessMessages = false;
  // No guessing at parts of a split archive: a package is one file.
  zip.IncompleteZipMode = izAssumeNotAZip;
  zip.SetZipName(platform::FromOsPath(path));
  zip.SetArchiveContent(bytes, size);
  try {
    zip.LoadDirectory();
  } catch (const Exception& e) {
    return e.Message();
  }
  if (zip.MultiMode() != mmNone) return "one part of a split archive";
  if (zip.Rebuilt()) return "its central directory is damaged";
  return "";
}

}  // namespace

bool IsArchiveName(const std::string& fileName) {
  std::string lower = fileName;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return lower.find(".zip") != std::string::npos;
}

std::string ReadPackageFile(const std::string& path, bool archive, release::Sha256Digest& digest, std::int64_t& size) {
  MappedFile file;
  // O_NONBLOCK: opening a FIFO must not wait for a writer before it is refused.
  file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (file.fd < 0) return Why(path);
  struct stat st;
  if (::fstat(file.fd, &st) != 0) return Why(path);
  if (!S_ISREG(st.st_mode)) return path + ": not a regular file";
  if (st.st_size == 0) return path + ": the package is empty; there is nothing to install";
  file.size = static_cast<std::size_t>(st.st_size);
  file.bytes = ::mmap(nullptr, file.size, PROT_READ, MAP_PRIVATE, file.fd, 0);
  if (file.bytes == MAP_FAILED) return Why(path);
  if (archive) {
    const std::string problem = ArchiveProblem(path, file.bytes, file.size);
    if (!problem.empty())
      return path + ": the name makes the updater unpack it, but it is not a ZIP archive the updater can read (" +
             problem + ")";
  }
  digest = release::Sha256Of(file.bytes, file.size);
  size = static_cast<std::int64_t>(st.st_size);
  return "";
}

}  // namespace publish
