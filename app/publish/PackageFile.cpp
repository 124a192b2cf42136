#include "app/publish/PackageFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "core/ScopeGuard.h"
#include "core/SysUtils.h"
#include "platform/FileHandle.h"
#include "platform/Files.h"
#include "zip/ZipExtractor.h"

namespace publish {
namespace {

std::string Why(const std::string& path) { return path + ": " + std::strerror(errno); }

// "" when the updater's own extractor reads the archive's directory as it is.
std::string ArchiveProblem(const std::string& path) {
  TZipExtractor zip(nullptr);
  zip.DoProcessMessages = false;
  // No guessing at parts of a split archive: a package is one file.
  zip.IncompleteZipMode = izAssumeNotAZip;
  zip.SetZipName(platform::FromOsPath(path));
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
  platform::FileHandle file =
      platform::OpenFile(path, platform::FileAccess::Read, platform::FileCreation::OpenExisting);
  if (file == platform::kNoFile) return errno == EISDIR || errno == EINVAL ? path + ": not a regular file" : Why(path);
  ScopeExit close([&] { platform::CloseFile(file); });
  std::int64_t length = 0;
  if (!platform::GetFileLength(file, length)) return Why(path);
  if (length == 0) return path + ": the package is empty; there is nothing to install";
  if (archive) {
    const std::string problem = ArchiveProblem(path);
    if (!problem.empty())
      return path + ": the name makes the updater unpack it, but it is not a ZIP archive the updater can read (" +
             problem + ")";
  }
  release::Sha256 hash;
  std::vector<char> block(1 << 20);
  std::int64_t read = 0;
  for (std::ptrdiff_t n; (n = platform::ReadFromFile(file, block.data(), block.size())) != 0; read += n) {
    if (n < 0) return Why(path);
    hash.Update(block.data(), static_cast<std::size_t>(n));
  }
  digest = hash.Final();
  size = read;
  return "";
}

}  // namespace publish
