// Extraction: settings, selection and the run over all members.
#include <algorithm>
#include <cerrno>

#include "core/UserInterface.h"
#include "platform/FileAttributes.h"
#include "platform/FileHolders.h"
#include "platform/Files.h"
#include "zip/DecodeContext.h"
#include "zip/FileMask.h"
#include "zip/ZipExtractor.h"
#include "zip/ZipNames.h"

TZipExtractor::TZipExtractor(TComponent* AOwner) : TComponent(AOwner) {}

TZipExtractor::~TZipExtractor() {
  CloseArchive();
  DiscardDirectory();
}

void TZipExtractor::SetZipName(const AnsiString& Value) {
  // Names are compared exactly: file names on this platform differ by case.
  if (Value == zipName_) return;
  // There is no file-open dialog here; asking for one counts as cancelling it.
  if (!Value.empty() && Value.back() == '?') throw EUserCanceled(zipmsg::kCanceledName);
  zipName_ = Value;
  std::size_t sep = Value.rfind('/');
  std::size_t dot = Value.find('.', sep == AnsiString::npos ? 0 : sep + 1);
  baseName_ = dot == AnsiString::npos ? Value : Value.substr(0, dot);
  DiscardDirectory();
  endCentral_.Clear();
  CloseArchive();
  rebuilt_ = false;
  multiMode_ = mmNone;
}

void TZipExtractor::SetDestDir(const AnsiString& Value) {
  // There is no directory dialog here: "?" is kept, and UnZip then does nothing.
  destDir_ = Value;
  if (destDir_.size() > 1 && (destDir_.back() == '/' || destDir_.back() == '\\')) destDir_.pop_back();
}

void TZipExtractor::SetInstallJournal(const AnsiString& Path, const std::string& Payload) {
  journalPath_ = Path;
  journalPayload_ = Payload;
}

void TZipExtractor::SetRootDir(const AnsiString& Value) {
  rootDir_ = zip::ToBackslashes(Value);
  relativePaths_.clear();
  if (rootDir_.empty()) return;
  if (rootDir_.back() != '\\') rootDir_ += '\\';
  relativePaths_.push_back(rootDir_);
}

int TZipExtractor::ShowMessage(int id, const AnsiString& text, const AnsiString& caption, unsigned flags) {
  if (OnHandleMessage) {
    int ret = (flags & 0xF) == MB_YESNO ? IDNO : IDOK;
    OnHandleMessage(this, id, text, caption, flags, ret);
    return ret;
  }
  return AskUser(text, caption, flags);
}

void TZipExtractor::Skip(TSkipReason reason, const AnsiString& name, int index, const TZipHeaderInfo& h) {
  --toDo_;
  totalBytes_ -= static_cast<std::int64_t>(std::min<std::uint64_t>(h.UncompressedSize64(), INT64_MAX));
  bool retry = false;
  if (OnSkippingFile) OnSkippingFile(this, reason, name, index, retry);
}

void TZipExtractor::SelectMembers(int& count, std::int64_t& total) {
  count = 0;
  total = 0;
  std::vector<AnsiString> masks;
  for (int i = 0; i < filesList_.Count(); ++i) masks.push_back(zip::ToBackslashes(filesList_[i]));
  for (int i = 0; i < MemberCount(); ++i) {
    CheckMessages();
    TZipHeaderInfo& h = *view_->Items(i);
    h.selected = false;
    if (h.fileName.empty() && !RecreateDirs) continue;
    if (!DoAll) {
      AnsiString name = LowerCaseAscii(h.FullName());
      h.selected = std::any_of(masks.begin(), masks.end(), [&](const AnsiString& m) { return zip::MatchesMask(m, name); });
    } else {
      h.selected = true;
    }
    if (h.selected) {
      ++count;
      std::uint64_t size = h.UncompressedSize64();
      total += static_cast<std::int64_t>(std::min<std::uint64_t>(size, static_cast<std::uint64_t>(INT64_MAX - total)));
    }
  }
}

int TZipExtractor::UnZip() {
  cancel_ = false;
  done_ = 0;
  const bool keepOpen = KeepZipOpen;
  TSortedZip* savedView = nullptr;
  // Every way out, an exception included, ends here.
  auto finish = [&] {
    // Directory modes are applied last: a read-only directory must not stop
    // its own members from being written.
    for (auto it = directoryModes_.rbegin(); it != directoryModes_.rend(); ++it)
      platform::SetPathMode(it->first, it->second);
    directoryModes_.clear();
    Target().AbandonRun();
    keptMembers_.clear();
    cleanedDirectories_.clear();
    targetNames_ = platform::NameCaseResolver();
    filesList_.Clear();
    if (savedView) view_ = savedView;
    KeepZipOpen = keepOpen;
    if (!keepOpen) CloseArchive();
    if (OnUnZipComplete) OnUnZipComplete(this, done_);
  };
  try {
    if (destDir_ != "?") ExtractSelected(savedView);
  } catch (...) {
    finish();
    throw;
  }
  finish();
  return done_;
}

void TZipExtractor::ExtractSelected(TSortedZip*& savedView) {
  LoadDirectory();
  KeepZipOpen = true;
  directoryModes_.clear();
  Target().BeginRun(destDir_);
  if (AllOrNothing()) {
    // Its files would be taken for stale temporary files and cleaned away.
    if (platform::FileExists(journalPath_))
      throw EInstallJournal(Format(zipmsg::kUnfinishedJournal, journalPath_.c_str()));
    auto journal = std::make_unique<zip::InstallJournal>(journalPath_, journalPayload_);
    journal->afterRename = OnInstallRename;
    journal->inUseWaitMs = InUseWaitMs;
    Target().SetJournal(std::move(journal));
  }
  keptMembers_.clear();
  cleanedDirectories_.clear();
  targetNames_ = platform::NameCaseResolver();
  OpenArchive();
  EnsureDirectory();
  zip::DecodeBuffers buffers;
  if (!destDir_.empty() && !platform::DirectoryExists(destDir_)) Target().ForceDirectories(destDir_);
  if (multiMode_ != mmNone && sortMode_ != TZipSortMode::ByNone && list_) {
    savedView = view_;
    view_ = list_.get();
  }
  int count = 0;
  std::int64_t total = 0;
  SelectMembers(count, total);
  toDo_ = count;
  totalBytes_ = total;
  totalWritten_ = 0;
  bool stop = false;
  if (OnStartUnZipInfo) OnStartUnZipInfo(this, count, total, stop);
  if (count == 0 || stop) return;
  for (int i = 0; i < MemberCount(); ++i) {
    if (!DoAll && !view_->Items(i)->selected) continue;
    CheckMessages();
    while (ProcessMember(i, buffers)) {
    }
  }
  InstallVerifiedMembers();
}

void TZipExtractor::InstallVerifiedMembers() {
  std::vector<zip::InstallBatch::RenameFailure> failures;
  if (!Target().CompleteRun(SyncOnCompletion, failures)) {
    if (failures.empty()) throw ECantWriteUCF(zipmsg::kCantWrite);
    // Journaled: nothing took its name.
    const auto& f = failures.front();
    if (f.error == EBUSY) {
      const std::string holders = platform::ProgramsHoldingFile(f.target);
      throw EFCreateError(Format(zipmsg::kFileInUse, platform::FromOsPath(f.target).c_str(),
                                 holders.empty() ? "" : (" by " + platform::FromOsPath(holders)).c_str()));
    }
    throw EFCreateError(
        Format(zipmsg::kCannotCreate, platform::FromOsPath(f.target).c_str(), platform::ErrorText(f.error).c_str()));
  }
  // A name that could not be taken is a target that could not be created.
  for (const auto& f : failures) {
    const int index = keptMembers_[f.order];
    --done_;
    Skip(srCreateError, platform::FromOsPath(f.target), index, *view_->Items(index));
  }
  keptMembers_.clear();
}
