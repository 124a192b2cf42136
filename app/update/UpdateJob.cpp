#include "app/update/UpdateJob.h"

#include <climits>

#include "app/update/InstallCompletion.h"
#include "app/update/Installation.h"
#include "app/update/Network.h"
#include "app/update/PackageDownload.h"
#include "app/update/SupportText.h"
#include "app/update/VersionRecord.h"
#include "app/update/VersionReply.h"
#include "http/HttpClient.h"
#include "http/MessagePump.h"
#include "platform/CodePage.h"
#include "platform/Files.h"

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

  const AnsiString localVersion = ReplaceAll(ReadIniValue(IniPath(), kVersionSection, kVersionKey), kStripped, "");
  const AnsiString replyBytes = GetUrlBody(tools_.query, VersionEndpoint(env_.updateHost), env_);
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

  const Result<> downloaded = DownloadPackage(packageUrl, f2, terms.Value());
  if (!downloaded.Ok()) {
    // A download ended by closing the window is no failure to tell.
    if (!view_.WasClosed()) view_.ShowFailure(UpdateFailure::kDownload, downloaded.Why());
    view_.Ended(UpdateEnd::kStopped);
    return;
  }

  if (platform::FileExists(Installed(f2)) && IsArchiveName(f2)) InstallArchive(f2, strippedF2, *fields, newVersion);
  else FinishPlainFile(*fields, newVersion);
}

Result<> UpdateJob::DownloadPackage(const AnsiString& URL, const AnsiString& PackageName, const ReleaseTerms& Terms) {
  if (!IsPlainFileName(PackageName)) return Refused{Format("Invalid package file name \"%s\"", PackageName.c_str())};
  package_.reset();
  try {
    auto package =
        std::make_unique<TPackageDownload>(Installed(PackageName), Terms.sha256, Terms.size, env_.packageMemoryLimit);
    // The package stream holds a body of any length: a large one goes to a file.
    tools_.download.SetMaxBodyLength(INT64_MAX);
    tools_.download.Get(URL, *package);
    Result<> done = package->SizeVerdict();
    // A plain file is what gets installed: it is on disk before the version
    // is recorded. An archive's package is only read from and then deleted;
    // what it unpacks reaches the disk instead.
    if (done.Ok()) done = package->Save(!IsArchiveName(PackageName));
    if (done.Ok()) package_ = std::move(package);
    return done;
  } catch (const Exception& e) {
    return Refused{e.Message().empty() ? AnsiString(e.ClassName()) : e.Message()};
  } catch (const std::exception& e) {
    return Refused{e.what()};
  }
}

void UpdateJob::RecordRelease(const AnsiString& NewVersion) { ::RecordRelease(IniPath(), {NewVersion, serialToRecord_}); }
