#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/FileHandle.h"
#include "platform/Files.h"
#include "platform/PathNames.h"
#include "platform/Processes.h"

namespace platform {
namespace {

std::atomic<unsigned> g_tempCounter{0};

// Temporary names for base: "." + base + "." + pid + "." + counter + ".tmp".
bool IsTemporaryNameOf(const char* name, const std::string& base) {
  const std::size_t n = std::strlen(name);
  if (n < base.size() + 6 || name[0] != '.' || std::strncmp(name + 1, base.data(), base.size()) != 0 ||
      name[base.size() + 1] != '.' || std::strcmp(name + n - 4, ".tmp") != 0)
    return false;
  int dots = 0;
  for (const char* p = name + base.size() + 2; p < name + n - 4; ++p) {
    if (*p == '.') ++dots;
    else if (*p < '0' || *p > '9') return false;
  }
  return dots == 1;
}

}  // namespace

void RemoveUnfinishedReplacements(const std::string& path) {
  const std::string target = ToOsPath(path), base = NameOf(target);
  if (base.empty()) return;
  RemoveUnheldTemporaryFiles(DirectoryOf(target), [&](const char* name) { return IsTemporaryNameOf(name, base); });
}

bool FileReplacement::Open(const std::string& path) {
  Discard();
  target_ = ToOsPath(path);
  dir_ = DirectoryOf(target_);
  const std::string base = NameOf(target_);
  if (base.empty()) {
    errno = EISDIR;
    return false;
  }

  PathStatus status;
  if (!GetPathStatus(target_, status)) return false;
  existed_ = status.kind != PathStatus::Missing;
  if (existed_) {
    if (status.kind != PathStatus::File) {
      errno = status.kind == PathStatus::Directory ? EISDIR : EINVAL;
      return false;
    }
    // A read-only file stays read-only: replacing it by rename would get past
    // the protection that a direct write honours.
    if (!status.writable) {
      errno = EACCES;
      return false;
    }
    mode_ = status.permissions;
  }

  RemoveUnheldTemporaryFiles(dir_, [&](const char* name) { return IsTemporaryNameOf(name, base); });
  for (int attempt = 0; attempt < 100 && fd_ == kNoFile; ++attempt) {
    temp_ = JoinPath(
        dir_, "." + base + "." + std::to_string(CurrentProcessId()) + "." + std::to_string(g_tempCounter++) + ".tmp");
    fd_ = OpenHeldFile(temp_, FileCreation::CreateNew);
    if (fd_ == kNoFile && errno != EEXIST) break;
  }
  if (fd_ == kNoFile) {
    temp_.clear();
    return false;
  }
  return true;
}

bool FileReplacement::Write(const void* data, std::size_t size) { return WriteAllToFile(fd_, data, size); }

bool FileReplacement::Commit(bool durable, const std::function<bool()>& check) {
  bool ok = fd_ != kNoFile;
  int savedErrno = ok ? 0 : EBADF;
  if (ok && existed_ && !SetFilePermissions(fd_, mode_)) ok = false, savedErrno = errno;
  if (ok && durable && !SyncFile(fd_)) ok = false, savedErrno = errno;
  if (ok && check && !check()) ok = false, savedErrno = ECANCELED;
  if (ok && !RenameHeldFile(fd_, temp_, target_)) ok = false, savedErrno = errno;
  if (!ok) {
    Discard();
    errno = savedErrno;
    return false;
  }
  temp_.clear();
  CloseFile(fd_);
  // The directory entry of the rename must reach the disk too, or a crash
  // could bring the old name back.
  if (durable) SyncDirectory(dir_);
  return true;
}

void FileReplacement::Discard() {
  CloseFile(fd_);
  if (!temp_.empty()) RemoveFile(temp_);
  temp_.clear();
}

bool MoveFileInto(const std::string& from, const std::string& to, bool durable) {
  const std::string source = ToOsPath(from), target = ToOsPath(to);
  PathStatus there;
  if (!GetPathStatus(target, there)) return false;
  if (there.kind == PathStatus::Directory || there.kind == PathStatus::Other) {
    errno = there.kind == PathStatus::Directory ? EISDIR : EINVAL;
    return false;
  }
  // A read-only file stays read-only, as a direct write would find it.
  if (there.kind == PathStatus::File && !there.writable) {
    errno = EACCES;
    return false;
  }
  FileHandle file = OpenFile(source, FileAccess::ReadWrite, FileCreation::OpenExisting);
  if (file == kNoFile) return false;
  bool ok = true;
  if (there.kind == PathStatus::File && !SetFilePermissions(file, there.permissions)) ok = false;
  if (ok && durable && !SyncFile(file)) ok = false;
  if (ok && !RenameHeldFile(file, source, target)) ok = false;
  const int savedErrno = errno;
  CloseFile(file);
  if (!ok) {
    errno = savedErrno;
    return false;
  }
  if (durable) SyncDirectory(DirectoryOf(target));
  return true;
}

bool ReplaceFileContent(const std::string& path, const void* data, std::size_t size) {
  return ReplaceFileContent(path, data, size, nullptr);
}

bool ReplaceFileContent(const std::string& path, const void* data, std::size_t size,
                        const std::function<bool()>& commit) {
  FileReplacement file;
  if (!file.Open(path)) return false;
  if (!file.Write(data, size)) {
    const int e = errno;
    file.Discard();
    errno = e;
    return false;
  }
  return file.Commit(true, commit);
}

}  // namespace platform
