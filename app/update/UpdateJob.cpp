#include "app/update/UpdateJob.h"

#include <algorithm>
#include <climits>

#include "app/update/InstallCompletion.h"
#include "app/update/Installation.h"
#include "app/update/InstalledFiles.h"
#include "app/update/Network.h"
#include "app/update/PackageDownload.h"
#include "app/update/PackagesLeft.h"
#include "app/update/PartialFetch.h"
#include "app/update/PathText.h"
#include "app/update/SupportText.h"
#include "app/update/VersionRecord.h"
#include "app/update/VersionReply.h"
#include "http/HttpClient.h"
#include "http/MessagePump.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "zip/ZipOutputFile.h"

using namespace platform::literals;

namespace {
// The removed character of versions and URL parts.
constexpr const char* kStripped = "?";
}  // namespace

UpdateJob::UpdateJob(const UpdateEnvironment& Environment, UpdateTools Tools, UpdateView& View)
    : env_(Environment), tools_(Tools), view_(View) {}

UpdateJob::~UpdateJob() = default;

AnsiString UpdateJob::Installed(const AnsiString& Name) const { return InstalledPath(env_.appDir, Name); }

AnsiString UpdateJob::IniPath() const { return env_.appDir + kIniFileName; }

void UpdateJob::Run() {
  view_.ShowStatus("正在更新..."_cp936);
  env_.killProcessByName("开始游戏.exe"_cp936);

  // An installation that an earlier run left part way is completed (with
  // its version) or undone before anything else looks at the files. The
  // launcher goes first: on Windows, files a program holds keep their names.
  if (const Result<zip::JournalOutcome> finished = CompleteInstallation(env_.appDir, true); !finished.Ok()) {
    view_.ShowFailure(UpdateFailure::kExtraction, finished.Why());
    view_.Ended(UpdateEnd::kStopped);
    return;
  }
  // With no journal waiting, what is left under temporary names is an old
  // file a completed installation could not remove: on Windows the running
  // updater's own image, which an update renames aside (a running program
  // may be renamed, not replaced) and which goes once it has ended.
  zip::RemoveStaleTemporaryFiles(env_.appDir);
  RemoveUnfinishedWrites();

  if (!platform::FileExists(IniPath()) || IsOnline(env_) != 1) {
    if (IsOnline(env_) != 1) {
      // No network: nothing can be checked.
      view_.Tell(UpdateNotice::kOffline);
      view_.Ended(UpdateEnd::kExit);
      return;
    }
    // First run: record "null" and start over.
    WriteIniValue(IniPath(), kVersionSection, kVersionKey, kFirstRunVersion);
    view_.Ended(UpdateEnd::kStartOver);
    return;
  }

  view_.CatchUp();
  tools_.pump.SetOnlyWhenIdle(false);
  if (env_.stallTimeoutMs > 0) {
    tools_.query.SetStallTimeout(env_.stallTimeoutMs);
    tools_.download.SetStallTimeout(env_.stallTimeoutMs);
  }

  const AnsiString localVersion = ReplaceAll(ReadIniValue(IniPath(), kVersionSection, kVersionKey), kStripped, "");
  const AnsiString replyBytes = GetUrlBody(tools_.query, VersionEndpoint(env_.updateHost), env_, &fetches_);
  const AnsiString reply = ReplyToAnsi(replyBytes);
  if (view_.WasClosed()) {
    view_.Ended(UpdateEnd::kStopped);
    return;
  }
  if (IsPauseReply(reply)) {
    view_.Tell(UpdateNotice::kPaused);
    view_.Ended(UpdateEnd::kExit);
    return;
  }
  // A reply the publisher's key does not vouch for is refused like a failed
  // download, before any of its fields is used.
  const Result<ReleaseTerms> terms =
      CheckReleaseReply(replyBytes, ReadIniValue(IniPath(), kVersionSection, kSerialKey), env_.now(), env_.publicKey);
  if (!terms.Ok()) {
    view_.ShowFailure(UpdateFailure::kDownload, terms.Why());
    view_.Ended(UpdateEnd::kStopped);
    return;
  }
  serialToRecord_ = terms.Value().serial;

  std::unique_ptr<TStringList> fields = SplitText(reply, kFieldSeparator);
  const AnsiString newVersion = ReplaceAll(fields->Strings(0), kStripped, "");
  // The package name is taken before the base URL, so a reply of one field
  // reports the missing field 2.
  const AnsiString f2 = fields->Strings(2);
  const AnsiString f1 = fields->Strings(1);
  const AnsiString strippedF2 = ReplaceAll(f2, kStripped, "");
  const AnsiString packageUrl = ReplaceAll(f1, kStripped, "") + strippedF2;

  if (localVersion == newVersion) {
    view_.Tell(UpdateNotice::kCurrent);
    view_.Ended(UpdateEnd::kExit);
    return;
  }

  // Nothing is fetched that could not be installed.
  if (const Result<> writable = CheckInstallationWritable(env_.appDir); !writable.Ok()) {
    view_.ShowFailure(UpdateFailure::kInstallDirectory, writable.Why());
    view_.Ended(UpdateEnd::kStopped);
    return;
  }

  const Result<> downloaded = IsArchiveName(f2) && f2 == strippedF2 ? FetchArchive(packageUrl, f2, terms.Value())
                                                                    : DownloadPackage(packageUrl, f2, terms.Value());
  if (!downloaded.Ok()) {
    // A download ended by closing the window is no failure to tell.
    if (!view_.WasClosed()) view_.ShowFailure(UpdateFailure::kDownload, downloaded.Why());
    view_.Ended(UpdateEnd::kStopped);
    return;
  }

  if (platform::FileExists(Installed(f2)) && IsArchiveName(f2)) InstallArchive(f2, strippedF2, *fields, newVersion);
  else FinishPlainFile(*fields, newVersion);
}

void UpdateJob::RemoveUnfinishedWrites() {
  // The files this updater replaces whole: a run killed while it wrote one
  // left a temporary file beside it, which a run that has nothing more to
  // write there would never take away.
  std::vector<AnsiString> names = {kIniFileName, kInstalledRecordName, TPackageDownload::RecordName(),
                                   kInstallJournalName};
  for (const AnsiString& package : PackagesLeftHere(env_.appDir)) names.push_back(package);
  for (const AnsiString& name : names) platform::RemoveUnfinishedReplacements(Installed(name));
}

void UpdateJob::Cancel() {
  fetches_.Cancel();
  // A closed connection ends a blocking read at its next message dispatch.
  tools_.query.Disconnect();
  tools_.download.Disconnect();
}

Result<> UpdateJob::PackageNameIsFree(const AnsiString& Name) const {
  const AnsiString path = Installed(Name);
  const bool taken =
      TPackageDownload::IsWorkingName(Name) || SameNameIgnoringAsciiCase(Name, kInstallJournalName) ||
      ((platform::FileExists(path) || platform::DirectoryExists(path)) && !IsPackageLeftHere(env_.appDir, Name));
  if (!taken) return {};
  return Refused{Format("The package \"%s\" would replace a file of the installation", Name.c_str())};
}

Result<> UpdateJob::DownloadPackage(const AnsiString& URL, const AnsiString& PackageName, const ReleaseTerms& Terms) {
  if (!IsPlainFileName(PackageName)) return Refused{Format("Invalid package file name \"%s\"", PackageName.c_str())};
  if (Result<> free = PackageNameIsFree(PackageName); !free.Ok()) return free;
  package_.reset();
  try {
    auto package = std::make_unique<TPackageDownload>(env_.appDir, PackageName, URL, Terms.sha256, Terms.size,
                                                      env_.packageMemoryLimit);
    TResumableFetch fetch(tools_.download, package->Body());
    TFetchControl::Running running(&fetches_, fetch, env_);
    package->TakeUpEarlierRun(fetch);
    // The display never goes back: while a body that started over is below
    // the count shown, the count and its total stay.
    std::int64_t shown = 0, shownTotal = -1;
    fetch.OnProgress = [&](TObject*, std::int64_t done, std::int64_t total) {
      package->Note(fetch.Point());
      if (done >= shown) shown = done, shownTotal = total;
      view_.ShowDownload(shown, shownTotal);
    };
    // The package's chain holds a body of any length: a large one goes to a file.
    tools_.download.SetMaxBodyLength(INT64_MAX);
    try {
      fetch.Fetch(URL);
    } catch (...) {
      package->Interrupted(fetch.Point());
      throw;
    }
    view_.DownloadComplete();
    // A plain file is what gets installed: it is on disk before the version
    // is recorded. An archive's package is only read from and then deleted;
    // what it unpacks reaches the disk instead. Either is recorded as ours
    // before it takes its name, so a later run may replace what this one leaves.
    Result<> done =
        package->Finish(!IsArchiveName(PackageName), [&] { return RecordPackageLeft(env_.appDir, PackageName); });
    if (done.Ok()) package_ = std::move(package);
    return done;
  } catch (const Exception& e) {
    return Refused{e.Message().empty() ? AnsiString(e.ClassName()) : e.Message()};
  } catch (const std::exception& e) {
    return Refused{e.what()};
  }
}

void UpdateJob::RecordRelease(const AnsiString& NewVersion) {
  ::RecordRelease(IniPath(), {NewVersion, serialToRecord_, ""});
}

void UpdateJob::RemovePackage(const AnsiString& Name) {
  const AnsiString path = Installed(Name);
  if (platform::FileExists(path)) platform::DeleteFile(path);
  ForgetPackageLeft(env_.appDir, Name);
}
