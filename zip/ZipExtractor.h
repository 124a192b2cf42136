#pragma once
// The extraction component: reads an archive's directory and writes its
// members below a destination directory.
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "core/Classes.h"
#include "core/StringList.h"
#include "platform/Files.h"
#include "zip/BufferedFileStream.h"
#include "zip/ExtractionTarget.h"
#include "zip/SortedZip.h"
#include "zip/ZipErrors.h"
#include "zip/ZipHeaderInfo.h"
#include "zip/ZipTypes.h"

namespace zip {
struct DecodeBuffers;
class TraditionalCipher;
}  // namespace zip

class TZipExtractor : public TComponent {
 public:
  explicit TZipExtractor(TComponent* AOwner);
  ~TZipExtractor() override;

  // --- The archive and its directory ---
  const AnsiString& ZipName() const { return zipName_; }
  virtual void SetZipName(const AnsiString& Value);
  // Where the archive is read from: the file ZipName, or, while Content is
  // set, these Size bytes, which are that file's content (or stand in for
  // it) and stay unchanged and alive until the content is set again. Parts
  // of a split archive other than ZipName are always files.
  void SetArchiveContent(const void* Content, std::size_t Size);
  void LoadDirectory();
  int MemberCount() const { return view_ ? view_->Count() : 0; }
  // Members by index into the directory view; EListError "Index %d is out of range".
  const TZipHeaderInfo& Member(int Index) const;
  AnsiString FileName(int Index) const { return Member(Index).fileName; }
  AnsiString Directory(int Index) const { return Member(Index).directory; }
  std::uint64_t CompressedSize(int Index) const { return Member(Index).CompressedSize64(); }
  std::uint64_t UncompressedSize(int Index) const { return Member(Index).UncompressedSize64(); }
  std::uint32_t DateTime(int Index) const { return Member(Index).dateTime; }
  std::uint32_t CRC(int Index) const { return Member(Index).crc32; }
  int Method(int Index) const { return Member(Index).compressionMethod; }
  std::uint32_t ExternalAttributes(int Index) const { return Member(Index).externalAttributes; }
  AnsiString Comment(int Index);
  AnsiString ZipComment();
  const TEndCentral& EndCentral() const { return endCentral_; }
  bool Rebuilt() const { return rebuilt_; }
  TMultiMode MultiMode() const { return multiMode_; }

  TZipSortMode SortMode() const { return sortMode_; }
  void SetSortMode(TZipSortMode Value);
  TIncompleteZipMode IncompleteZipMode = izAssumeMulti;
  bool KeepZipOpen = false;
  bool DoProcessMessages = true;
  TOEMConvert OEMConvert = oemAlways;
  TBlockMode BlockMode = bmStandard;
  virtual bool CheckVolumeLabel() const { return checkVolumeLabel_; }
  virtual void SetCheckVolumeLabel(bool Value) { checkVolumeLabel_ = Value; }

  TInCompleteZipEvent OnInCompleteZip;
  TGetNextDiskEvent OnGetNextDisk;
  TFileNameForSplitPartEvent OnFileNameForSplitPart;
  THandleMessageEvent OnHandleMessage;

  // --- Extraction ---
  const AnsiString& DestDir() const { return destDir_; }
  void SetDestDir(const AnsiString& Value);
  const AnsiString& RootDir() const { return rootDir_; }
  void SetRootDir(const AnsiString& Value);
  TStringList& FilesList() { return filesList_; }
  bool DoAll = false;
  bool RecreateDirs = false;
  bool RetainAttributes = true;
  TUZOverwriteMode OverwriteMode = TUZOverwriteMode::Prompt;
  bool ReplaceReadOnly = false;
  bool FlushFilesOnClose = false;
  // Every extracted file and every directory that gained entries reaches the
  // disk before UnZip returns, all in one pass at the end. (Either way the
  // extracted files take their names only when the run completes, all
  // together; a run that ends with an exception installs none of them.)
  bool SyncOnCompletion = false;
  AnsiString Password;
  // With a journal (a code page 936 path in DestDir, or in a directory above
  // every member), a run installs all of its members or none of them, across
  // a kill or a power cut too. A member that cannot be created (EFCreateError
  // "Cannot create file ...") or fails its check (EMemberCheckFailed) ends the
  // run instead of being skipped; the verified members take their names
  // through the journal (zip::InstallJournal), which carries Payload, and
  // stay there with their old files aside until zip::CompleteInstall
  // completes the installation. Members refused for their names, declined
  // at the question or skipped by OnStartUnZip are left out as before. No run
  // begins while an earlier run's journal waits (EInstallJournal). An empty
  // path: each member on its own, as the default.
  void SetInstallJournal(const AnsiString& Path, const std::string& Payload = {});
  const AnsiString& InstallJournal() const { return journalPath_; }
  // Called after each rename of a journaled run with the number done: the
  // seam where tests stop a run as a kill would.
  std::function<void(std::size_t Renames)> OnInstallRename;
  // How long a journaled run waits for a file another program holds before
  // it leaves the installation to the next start.
  std::uint32_t InUseWaitMs = zip::kInUseWaitMs;
  // Where members and directories are made; null (the default) is the disk.
  void SetExtractionTarget(zip::ExtractionTarget* Target) { target_ = Target; }

  TStartUnZipInfoEvent OnStartUnZipInfo;
  TStartUnZipEvent OnStartUnZip;
  TPromptForOverwriteEvent OnPromptForOverwrite;
  TSkippingFileEvent OnSkippingFile;
  TBadPasswordEvent OnBadPassword;
  TBadCRCEvent OnBadCRC;
  TPercentDoneEvent OnFilePercentDone;
  TPercentDoneEvent OnTotalPercentDone;
  TEndUnZipEvent OnEndUnZip;
  TUnZipCompleteEvent OnUnZipComplete;
  TDecryptEvent OnDecrypt;

  // Returns the number of members done (files extracted and verified, plus
  // directory entries processed).
  int UnZip();

  // Requests that handlers may make while the component works.
  void Cancel() { cancel_ = true; }
  bool Canceled() const { return cancel_; }
  void SetPause(bool Value) { pause_ = Value; }
  bool Paused() const { return pause_; }

 protected:
  virtual TMultiMode GetMultiMode() const { return multiMode_; }
  virtual void SetMultiMode(TMultiMode Value) { multiMode_ = Value; }

 private:
  friend class ArchiveMemberSource;

  // Directory reading (ZipDirectory.cpp, ZipRebuild.cpp).
  void OpenArchive();
  void CloseArchive();
  void EnsureDirectory();
  void ReadDirectory();
  bool FindEndRecord(TBufferedFileStream& s, TEndCentral& end);
  bool ReadCentralHeader(TBufferedFileStream& s, TZipHeaderInfo& h);
  void ReadCentralEntries(TBufferedFileStream& s, std::uint64_t count, bool matching);
  bool RebuildFromLocalHeaders();
  void BuildView();
  void DiscardDirectory();
  // Dispatches pending messages and honours cancel and pause.
  void CheckMessages();
  std::int64_t ArchiveTime() const;

  // The archive file Name, from the archive content where that is set.
  std::unique_ptr<TBufferedFileStream> OpenArchiveFile(const AnsiString& Name) const;

  // Multi-part archives (ZipMultiPart.cpp).
  AnsiString PartFileName(std::uint32_t disk);
  void OpenDisk(std::uint32_t disk);

  // Extraction (ZipExtract.cpp and its helpers).
  void ExtractSelected(TSortedZip*& savedView);
  void SelectMembers(int& count, std::int64_t& total);
  bool ProcessMember(int index, zip::DecodeBuffers& buffers);
  // Gives the verified members their names, all at the end of the run.
  void InstallVerifiedMembers();
  // False, after a message box, when path cannot be given to the file system exactly.
  bool NameIsExact(const AnsiString& path, const TZipHeaderInfo& h);
  // A member refused for its name: told in a message box, then skipped.
  void RefuseName(const AnsiString& target, int index, const TZipHeaderInfo& h);
  // A member whose file or directory cannot be made at Target (errno Error):
  // skipped, or the end of a journaled run.
  void CannotCreate(const char* format, const AnsiString& target, int error, int index, const TZipHeaderInfo& h);
  // A member that failed its check (skipped already with Reason, when that
  // is srBadPassword): the end of a journaled run.
  void CheckFailed(const char* format, const TZipHeaderInfo& h);
  bool AllOrNothing() const { return !journalPath_.empty(); }
  zip::ExtractionTarget& Target() { return target_ ? *target_ : disk_; }
  int ShowMessage(int id, const AnsiString& text, const AnsiString& caption, unsigned flags);
  void Skip(TSkipReason reason, const AnsiString& name, int index, const TZipHeaderInfo& h);

  AnsiString zipName_;
  AnsiString baseName_;
  TZipSortMode sortMode_ = TZipSortMode::ByNone;
  bool checkVolumeLabel_ = true;
  std::unique_ptr<TSortedZip> list_;  // primary, ByNone, owning
  std::unique_ptr<TSortedZip> sortedView_;
  TSortedZip* view_ = nullptr;
  TEndCentral endCentral_;
  std::unique_ptr<TBufferedFileStream> archive_;
  const void* content_ = nullptr;
  std::size_t contentSize_ = 0;
  std::unique_ptr<TBufferedFileStream> companion_;  // the ".zfc" file while it is read
  std::int64_t archiveTime_ = 0;
  std::uint32_t currentDisk_ = 0;
  TMultiMode multiMode_ = mmNone;
  bool rebuilt_ = false;
  bool directoryLoaded_ = false;
  bool cancel_ = false;
  bool pause_ = false;

  zip::DiskTarget disk_;
  zip::ExtractionTarget* target_ = nullptr;
  AnsiString destDir_;
  AnsiString rootDir_;
  std::vector<AnsiString> relativePaths_;
  AnsiString journalPath_;
  std::string journalPayload_;
  TStringList filesList_;
  TZipHeaderInfo current_;
  // Members still to do, bytes for the total percentage, and members done.
  int toDo_ = 0;
  std::int64_t totalBytes_ = 0;
  std::int64_t totalWritten_ = 0;
  int done_ = 0;
  std::vector<std::pair<AnsiString, unsigned>> directoryModes_;
  // The indexes of the verified members waiting for their names, in order.
  std::vector<int> keptMembers_;
  // Directories whose stale temporary files this run has removed.
  std::set<AnsiString> cleanedDirectories_;
  // Target names as the platform the archives are made for finds files.
  platform::NameCaseResolver targetNames_;
};
