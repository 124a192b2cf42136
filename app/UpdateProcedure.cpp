// The update procedure: ask the server for the version, fetch the package,
// install it, record the version and start the program the server names.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>

#include "app/PackageDownload.h"
#include "app/ReleaseCheck.h"
#include "app/Seams.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/VersionReply.h"
#include "framework/Dialogs.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/Processes.h"

using namespace platform::literals;

namespace {

// The removed character of versions and URL parts.
constexpr const char* kStripped = "?";

// The program about to be replaced by the archive is kept aside instead of
// being deleted, so a failed extraction cannot leave the installation without it.
class ProgramSetAside {
 public:
  explicit ProgramSetAside(const AnsiString& path) : path_(path) {
    AnsiString candidate = path + ".old";
    for (int n = 1; platform::FileExists(candidate) || platform::DirectoryExists(candidate); ++n)
      candidate = path + ".old" + IntToStr(n);
    if (std::rename(platform::ToOsPath(path).c_str(), platform::ToOsPath(candidate).c_str()) == 0) aside_ = candidate;
  }
  ~ProgramSetAside() { PutBackUnlessReplaced(); }
  ProgramSetAside(const ProgramSetAside&) = delete;
  ProgramSetAside& operator=(const ProgramSetAside&) = delete;

  // The archive installed: the old program goes, as it would have anyway.
  void Discard() {
    if (!aside_.empty()) platform::DeleteFile(aside_);
    aside_.clear();
  }

 private:
  void PutBackUnlessReplaced() {
    if (aside_.empty()) return;
    if (platform::FileExists(path_)) platform::DeleteFile(aside_);
    else std::rename(platform::ToOsPath(aside_).c_str(), platform::ToOsPath(path_).c_str());
    aside_.clear();
  }
  AnsiString path_;
  AnsiString aside_;
};

void DeleteIfPresent(const AnsiString& path) {
  if (platform::FileExists(path)) platform::DeleteFile(path);
}

}  // namespace

AnsiString TForm1::replace(const AnsiString& Text, const AnsiString& OldPattern, const AnsiString& NewPattern) {
  if (OldPattern.empty()) return Text;
  AnsiString out;
  std::size_t from = 0;
  for (std::size_t at = Text.find(OldPattern); at != AnsiString::npos; at = Text.find(OldPattern, from)) {
    out.append(Text, from, at - from);
    out += NewPattern;
    from = at + OldPattern.size();
  }
  out.append(Text, from, AnsiString::npos);
  return out;
}

void TForm1::ShowMessage(const AnsiString& Text) {
  MessageBoxA(HandleAllocated() ? Handle() : nullptr, Text, Application ? Application->Title() : AnsiString(), MB_OK);
}

void TForm1::doUpDate() {
  Timer1->SetEnabled(false);
  KillProcessByName("开始游戏.exe"_cp936);

  if (!platform::FileExists(GetAppDir() + kIniFileName) || IsOnline() != 1) {
    if (IsOnline() != 1) {
      // No network: nothing can be checked.
      ShowMessage("网络连接有问题，请检查..."_cp936);
      ExitProcessNow(0);
      return;
    }
    // First run: record "null" and start over two ticks later.
    StartTicks = 0;
    WriteIniValue(IniPath, kVersionSection, kVersionKey, kFirstRunVersion);
    Timer1->SetEnabled(true);
    return;
  }

  Application->ProcessMessages();
  MessagePump1->SetOnlyWhenIdle(false);

  const AnsiString localVersion = replace(ReadIniValue(IniPath, kVersionSection, kVersionKey), kStripped, "");
  const AnsiString replyBytes = GetUrlBody(*HttpClient1, VersionEndpoint());
  const AnsiString reply = ReplyToAnsi(replyBytes);
  if (Application->Terminated()) return;  // the window was closed during the query
  if (IsPauseReply(reply)) {
    // The server pauses updates.
    ShowMessage("服务器暂停更新！"_cp936);
    ExitProcessNow(0);
    return;
  }
  // A reply the publisher's key does not vouch for is refused like a failed
  // download, before any of its fields is used.
  ReleaseTerms terms;
  const AnsiString refusal = CheckReleaseReply(replyBytes, ReadIniValue(IniPath, kVersionSection, kSerialKey),
                                               static_cast<std::int64_t>(std::time(nullptr)), terms);
  if (!refusal.empty()) {
    ReportDownloadFailure(refusal);
    return;
  }
  SerialToRecord = terms.serial;

  std::unique_ptr<TStringList> fields = SplitText(reply, kFieldSeparator);
  const AnsiString newVersion = replace(fields->Strings(0), kStripped, "");
  // The package name is taken before the base URL, so a reply of one field
  // reports the missing field 2.
  const AnsiString f2 = fields->Strings(2);
  const AnsiString f1 = fields->Strings(1);
  const AnsiString strippedF2 = replace(f2, kStripped, "");
  const AnsiString packageUrl = replace(f1, kStripped, "") + strippedF2;

  if (localVersion == newVersion) {
    // Already the current version.
    ShowMessage("当前为最新版本！"_cp936);
    ExitProcessNow(0);
    return;
  }

  const AnsiString failure = DownloadPackage(packageUrl, f2, terms);
  if (!failure.empty()) {
    // A download ended by closing the window is no failure to report.
    if (!Application->Terminated()) ReportDownloadFailure(failure);
    return;
  }

  if (platform::FileExists(InstalledPath(f2)) && IsArchiveName(f2)) InstallArchive(f2, strippedF2, *fields, newVersion);
  else FinishPlainFile(*fields, newVersion);
}

AnsiString TForm1::DownloadPackage(const AnsiString& URL, const AnsiString& PackageName, const ReleaseTerms& Terms) {
  if (!IsPlainFileName(PackageName)) return Format("Invalid package file name \"%s\"", PackageName.c_str());
  package_.reset();
  try {
    auto package = std::make_unique<TPackageDownload>(InstalledPath(PackageName), Terms.sha256, Terms.size,
                                                      PackageMemoryLimit());
    // The package stream holds a body of any length: a large one goes to a file.
    HttpClient2->SetMaxBodyLength(INT64_MAX);
    HttpClient2->Get(URL, *package);
    AnsiString failure = package->SizeVerdict();
    // A plain file is what gets installed: it is on disk before the version
    // is recorded. An archive's package is only read from and then deleted;
    // what it unpacks reaches the disk instead.
    if (failure.empty()) failure = package->Save(!IsArchiveName(PackageName));
    if (failure.empty()) package_ = std::move(package);
    return failure;
  } catch (const Exception& e) {
    return e.Message().empty() ? AnsiString(e.ClassName()) : e.Message();
  } catch (const std::exception& e) {
    return e.what();
  }
}

void TForm1::RecordRelease(const AnsiString& NewVersion) {
  // The serial first: a version recorded without it would let an older
  // signed reply through on the next run.
  if (SerialToRecord) WriteIniValue(IniPath, kVersionSection, kSerialKey, IntToStr(*SerialToRecord));
  WriteIniValue(IniPath, kVersionSection, kVersionKey, NewVersion);
}

void TForm1::ReportDownloadFailure(const AnsiString& Why) {
  MessageBoxA(HandleAllocated() ? Handle() : nullptr, "下载失败！ 失败原因："_cp936 + Why + " ", "错误"_cp936,
              MB_OK | MB_ICONERROR);
}

void TForm1::InstallArchive(const AnsiString& F2, const AnsiString& StrippedF2, const TStringList& Fields,
                            const AnsiString& NewVersion) {
  const AnsiString f3 = Fields.Strings(3);
  const bool f3Usable = IsInstallRelativeName(f3);
  std::unique_ptr<ProgramSetAside> oldProgram;
  if (f3Usable && platform::FileExists(InstalledPath(f3)) && platform::FileExists(InstalledPath(F2)))
    oldProgram = std::make_unique<ProgramSetAside>(InstalledPath(f3));

  // A failed extraction has been reported; the window stays open.
  // The package is unpacked from the memory it was downloaded into, when it
  // is there and the name to unpack is the name it was saved under.
  if (StrippedF2 != F2) package_.reset();
  const void* content = package_ ? package_->Content() : nullptr;
  const std::size_t contentSize = package_ ? static_cast<std::size_t>(package_->ContentSize()) : 0;
  const int unzipped = UnZipPackage(*ZipExtractor1, HandleAllocated() ? Handle() : nullptr, StrippedF2, content,
                                    contentSize);
  package_.reset();
  if (unzipped != 1) return;
  if (oldProgram) oldProgram->Discard();

  RecordRelease(NewVersion);
  if (f3Usable && platform::FileExists(InstalledPath(f3))) {
    StartProgram(f3, F2);  // installed: the named program takes over
  } else {
    ShowMessage("更新完成！"_cp936);  // installed, nothing to start
    DeleteIfPresent(InstalledPath(F2));
  }
  ExitProcessNow(0);
}

void TForm1::FinishPlainFile(const TStringList& Fields, const AnsiString& NewVersion) {
  const AnsiString f2 = Fields.Strings(2);
  RecordRelease(NewVersion);
  if (platform::FileExists(InstalledPath(f2))) {
    const AnsiString f3 = Fields.Strings(3);
    if (!f3.empty()) {
      // A plain file with a program to start: the file has done its job.
      if (IsInstallRelativeName(f3) && platform::FileExists(InstalledPath(f3))) StartProgram(f3, f2);
      else DeleteIfPresent(InstalledPath(f2));
      ExitProcessNow(0);
      return;
    }
  }
  // No program to start (or the file is gone): the file update is reported.
  ShowMessage("文件更新完成！"_cp936);
  DeleteIfPresent(InstalledPath(f2));
  ExitProcessNow(0);
}

void TForm1::StartProgram(const AnsiString& Program, const AnsiString& Package) {
  // A package that is itself the program is run, as on the platform it was
  // made for, and kept: a program whose file goes while it starts never runs.
  const bool packageIsProgram = platform::SameFile(InstalledPath(Program), InstalledPath(Package));
  if (packageIsProgram) platform::MakeExecutable(InstalledPath(Program));
  AnsiString why;
  if (!RunAppFile(Program, &why))
    MessageBoxA(HandleAllocated() ? Handle() : nullptr, "启动失败！ 失败原因："_cp936 + why + " ", "错误"_cp936,
                MB_OK | MB_ICONERROR);
  if (!packageIsProgram) DeleteIfPresent(InstalledPath(Package));
}
