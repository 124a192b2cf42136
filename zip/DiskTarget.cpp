#include "platform/Files.h"
#include "zip/ExtractionTarget.h"
#include "zip/ZipOutputFile.h"

namespace zip {

void DiskTarget::BeginRun(const AnsiString& root) {
  batch_.Discard();
  batch_.SetRoot(root.empty() ? std::string(".") : platform::ToOsPath(root));
}

std::unique_ptr<MemberOutput> DiskTarget::CreateMember(const AnsiString& path) {
  auto out = std::make_unique<TempOutputFile>();
  if (!out->Create(path)) return nullptr;
  return out;
}

bool DiskTarget::ForceDirectories(const AnsiString& path) {
  if (!platform::ForceDirectories(path)) return false;
  // Its parent gained an entry that must reach the disk with the files.
  batch_.AddCreatedDirectory(platform::ToOsPath(path));
  return true;
}

void DiskTarget::Keep(std::unique_ptr<MemberOutput> member) {
  // Every member output of this target is one of its temporary files.
  batch_.Add(static_cast<TempOutputFile&>(*member).Detach());
}

bool DiskTarget::Waiting(const AnsiString& path) const { return batch_.Waiting(platform::ToOsPath(path)); }

bool DiskTarget::CompleteRun(bool durable, std::vector<InstallBatch::RenameFailure>& failures) {
  return batch_.Commit(durable, failures);
}

}  // namespace zip
