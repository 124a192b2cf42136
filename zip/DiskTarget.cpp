#include <cerrno>

#include "platform/FileHandle.h"
#include "platform/Files.h"
#include "platform/PathNames.h"
#include "zip/ExtractionTarget.h"
#include "zip/ZipOutputFile.h"

namespace zip {

void DiskTarget::BeginRun(const AnsiString& root) {
  batch_.Discard();
  made_.clear();
  batch_.SetRoot(root.empty() ? std::string(".") : platform::ToOsPath(root));
}

std::unique_ptr<MemberOutput> DiskTarget::CreateMember(const AnsiString& path) {
  auto out = std::make_unique<TempOutputFile>();
  if (!out->Create(path)) return nullptr;
  return out;
}

bool DiskTarget::ForceDirectories(const AnsiString& path) {
  std::string os = platform::ToOsPath(path);
  while (os.size() > platform::RootLength(os) && platform::IsPathSeparator(os.back())) os.pop_back();
  auto kindOf = [](const std::string& d) {
    platform::PathStatus status;
    return platform::GetPathStatus(d, status) ? status.kind : platform::PathStatus::Missing;
  };
  std::vector<std::string> missing;  // from the deepest up
  for (std::string d = os; kindOf(d) == platform::PathStatus::Missing;) {
    missing.push_back(d);
    const std::string up = platform::DirectoryOf(d);
    if (up == d) break;
    d = up;
  }
  const bool made = platform::ForceDirectories(path);
  const int error = errno;
  for (auto d = missing.rbegin(); d != missing.rend(); ++d)
    if (kindOf(*d) == platform::PathStatus::Directory) made_.push_back(*d);
  errno = error;
  if (!made) return false;
  // Its parent gained an entry that must reach the disk with the files.
  batch_.AddCreatedDirectory(os);
  return true;
}

void DiskTarget::AbandonRun() {
  batch_.Discard();
  // A run that installs nothing leaves no empty directory to stand in the
  // way of a file of the next one.
  for (auto d = made_.rbegin(); d != made_.rend(); ++d) platform::RemoveEmptyDirectory(*d);
  made_.clear();
}

void DiskTarget::Keep(std::unique_ptr<MemberOutput> member) {
  // Every member output of this target is one of its temporary files.
  batch_.Add(static_cast<TempOutputFile&>(*member).Detach());
}

bool DiskTarget::Waiting(const AnsiString& path) const { return batch_.Waiting(platform::ToOsPath(path)); }

bool DiskTarget::CompleteRun(bool durable, std::vector<InstallBatch::RenameFailure>& failures) {
  if (!batch_.Commit(durable, failures)) return false;
  made_.clear();
  return true;
}

}  // namespace zip
